#include "listings/tv_program_details.h"

#include <iterator>
#include <utility>

#include "listings/table_fields.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "support/dictionary.h"

namespace kestro {

namespace {

enum class Kind { kText, kInt, kFlag, kDate };

// One column of `program_details` with its key in the details' property bag, in bag order.
struct DetailColumn {
  Kind kind;
  int32_t index;  // into the fields' array of that kind
  const char* column;
  const char* key;
};

constexpr int32_t T(DetailText c) { return static_cast<int32_t>(c); }
constexpr int32_t I(DetailInt c) { return static_cast<int32_t>(c); }
constexpr int32_t F(DetailFlag c) { return static_cast<int32_t>(c); }

constexpr DetailColumn kColumns[] = {
    {Kind::kText, T(DetailText::kLongDesc), "long_desc", "program-long-desc"},
    {Kind::kText, T(DetailText::kShortDesc), "short_desc", "program-short-desc"},
    {Kind::kInt, I(DetailInt::kPartNum), "part_num", "program-part-num"},
    {Kind::kInt, I(DetailInt::kNumOfParts), "num_of_parts", "program-num-of-parts"},
    {Kind::kFlag, F(DetailFlag::kCC), "is_cc", "program-is-cc"},
    {Kind::kFlag, F(DetailFlag::kStereo), "is_stereo", "program-is-stereo"},
    {Kind::kFlag, F(DetailFlag::kRepeat), "is_repeat", "program-is-repeat"},
    {Kind::kFlag, F(DetailFlag::kSubtitled), "is_subtitled", "program-is-subtitled"},
    {Kind::kFlag, F(DetailFlag::kJoinedInProgress), "is_jip", "program-is-jip"},
    {Kind::kFlag, F(DetailFlag::kSAP), "is_sap", "program-is-sap"},
    {Kind::kFlag, F(DetailFlag::kBlackout), "is_blackout", "program-is-blackout"},
    {Kind::kFlag, F(DetailFlag::kSexRating), "is_sex_rating", "program-is-sex-rating"},
    {Kind::kFlag, F(DetailFlag::kViolenceRating), "is_violence_rating",
     "program-is-violence-rating"},
    {Kind::kFlag, F(DetailFlag::kLanguageRating), "is_language_rating",
     "program-is-language-rating"},
    {Kind::kFlag, F(DetailFlag::kDialogRating), "is_dialog_rating", "program-is-dialog-rating"},
    {Kind::kFlag, F(DetailFlag::kFantasyViolenceRating), "is_fv_rating", "program-is-fv-rating"},
    {Kind::kFlag, F(DetailFlag::kEnhanced), "is_enhanced", "program-is-enhanced"},
    {Kind::kFlag, F(DetailFlag::k3D), "is_3d", "program-is-3d"},
    {Kind::kFlag, F(DetailFlag::kLetterbox), "is_letterbox", "program-is-letterbox"},
    {Kind::kFlag, F(DetailFlag::kHDTV), "is_hdtv", "program-is-hdtv"},
    {Kind::kFlag, F(DetailFlag::kDVS), "is_dvs", "program-is-dvs"},
    {Kind::kFlag, F(DetailFlag::kMadeForTV), "is_made_for_tv", "program-is-made-for-tv"},
    {Kind::kText, T(DetailText::kDolby), "dolby", "program-dolby"},
    {Kind::kText, T(DetailText::kPremiereFinale), "premiere_finale", "program-premiere-finale"},
    {Kind::kText, T(DetailText::kAdvisories), "advisories", "program-advisories"},
    {Kind::kInt, I(DetailInt::kYear), "year", "program-year"},
    {Kind::kInt, I(DetailInt::kRunTime), "run_time", "program-run-time"},
    {Kind::kText, T(DetailText::kColor), "color", "program-color"},
    {Kind::kText, T(DetailText::kLanguage), "language", "program-language"},
    {Kind::kText, T(DetailText::kOriginCountry), "origin_country", "program-origin-country"},
    {Kind::kText, T(DetailText::kSourceType), "source_type", "program-source-type"},
    {Kind::kText, T(DetailText::kShowType), "show_type", "program-show-type"},
    {Kind::kText, T(DetailText::kHoliday), "holiday", "program-holiday"},
    {Kind::kText, T(DetailText::kEpisodeNum), "episode_num", "program-episode-num"},
    {Kind::kText, T(DetailText::kOriginNetwork), "origin_network", "program-origin-network"},
    {Kind::kText, T(DetailText::kOriginStudio), "origin_studio", "program-origin-studio"},
    {Kind::kDate, 0, "original_air_date", "program-original-air-date"},
    {Kind::kInt, I(DetailInt::kSeasonNum), "season_num", "program-season-num"},
    {Kind::kInt, I(DetailInt::kSeasonEpisodeNum), "season_episode_num",
     "program-season-episode-num"},
};

TV_3_WAY ToThreeWay(int32_t value) {
  switch (value) {
    case 0: return TV_3_WAY_NO;
    case 1: return TV_3_WAY_YES;
    default: return TV_3_WAY_UNKNOWN;
  }
}

// Display names of the attributes shown as flags, in display order.
constexpr std::pair<DetailFlag, const char*> kDisplayFlags[] = {
    {DetailFlag::kCC, "CC"},          {DetailFlag::kStereo, "Stereo"},
    {DetailFlag::kSubtitled, "Subtitled"}, {DetailFlag::kSAP, "SAP"},
    {DetailFlag::k3D, "3D"},          {DetailFlag::kLetterbox, "Letterbox"},
    {DetailFlag::kHDTV, "HDTV"},      {DetailFlag::kMadeForTV, "Made for TV"},
};

[[noreturn]] void ThrowIndexOutOfBounds(int32_t index) {
  throw Exception(Format("List index out of bounds (%d)", index));
}

}  // namespace

OleDate ParseOriginalAirDate(std::string_view text) {
  if (text.size() != 8) return 0.0;
  int parts[3] = {0, 0, 0};
  const size_t widths[3] = {4, 2, 2};
  size_t pos = 0;
  for (int p = 0; p < 3; ++p) {
    for (size_t i = 0; i < widths[p]; ++i, ++pos) {
      const char c = text[pos];
      if (c < '0' || c > '9') return 0.0;
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  OleDate date = 0.0;
  return TryEncodeDateTime({parts[0], parts[1], parts[2]}, &date) ? date : OleDate();
}

ProgramDetailsReader::ProgramDetailsReader(const ITable& table) {
  for (const DetailColumn& c : kColumns) {
    int32_t found = -1;
    for (int32_t i = 0; i < table.ColumnCount() && found < 0; ++i)
      if (SameText(table.ColumnName(i), c.column)) found = i;
    columns_.push_back(found);
  }
}

ProgramDetailsFields ProgramDetailsReader::Read(const ITable& table) const {
  ProgramDetailsFields f;
  if (table.Eof()) return f;
  for (size_t k = 0; k < std::size(kColumns); ++k) {
    const DetailColumn& c = kColumns[k];
    const size_t i = static_cast<size_t>(c.index);
    const int32_t column = columns_[k];  // -1 reads as NULL
    switch (c.kind) {
      case Kind::kText: f.texts[i] = table.Text(column); break;
      case Kind::kInt: f.ints[i] = FieldIntOr(table.Field(column), 0); break;
      case Kind::kFlag: f.flags[i] = ToThreeWay(FieldIntOr(table.Field(column), -1)); break;
      case Kind::kDate: f.original_air_date = ParseOriginalAirDate(table.Text(column)); break;
    }
  }
  return f;
}

ProgramDetailsFields ReadProgramDetails(const ITable& table) {
  return ProgramDetailsReader(table).Read(table);
}

// TTVPerson ---------------------------------------------------------------------------------

HRESULT TTVPerson::get_ID(int32_t* value) { return GetProperty(value, id_); }
HRESULT TTVPerson::get_Name(std::string* value) { return GetProperty(value, name_); }
HRESULT TTVPerson::get_Role(std::string* value) { return GetProperty(value, role_); }
HRESULT TTVPerson::get_RoleID(int32_t* value) { return GetProperty(value, role_id_); }

// TTVProgramDetails -------------------------------------------------------------------------

TTVProgramDetails::TTVProgramDetails(DBPtr db, int32_t program_id, const ITable& table)
    : db_(std::move(db)), program_id_(program_id), fields_(ReadProgramDetails(table)) {}

TTVProgramDetails::TTVProgramDetails(DBPtr db, int32_t program_id, ProgramDetailsFields fields,
                                     std::vector<std::string> genres)
    : db_(std::move(db)),
      program_id_(program_id),
      fields_(std::move(fields)),
      genres_(std::move(genres)) {}

ComPtr<IKestroItem> TTVProgramDetails::Genres() const {
  ComPtr<TDictionary> genres = NewDictionary();
  if (genres_) {
    for (const std::string& genre : *genres_) genres->Set(genre, "Y");
    return genres;
  }
  TablePtr rows = db_->QueryFmt(
      "select genre from genres g , program_genres pg where pg.program_id = %d and pg.genre_id = "
      "g.genre_id order by pg.relevance",
      {SqlArg::Int(program_id_)});
  for (; !rows->Eof(); rows->Next()) genres->Set(rows->Text(0), "Y");
  return genres;
}

const std::vector<ComPtr<TTVPerson>>& TTVProgramDetails::People() {
  if (!people_loaded_) {
    TablePtr rows = db_->QueryFmt(
        "select pp.person_id , pp.role_id , p.name , r.role from program_people pp , people p , "
        "roles r where pp.program_id = %d and pp.person_id = p.person_id and pp.role_id = "
        "r.role_id order by pp.relevance",
        {SqlArg::Int(program_id_)});
    std::vector<ComPtr<TTVPerson>> people;
    for (; !rows->Eof(); rows->Next()) {
      people.push_back(MakeObject<TTVPerson>(FieldIntOr(rows->Field(0), 0), rows->Text(2),
                                             FieldIntOr(rows->Field(1), 0), rows->Text(3)));
    }
    people_ = std::move(people);
    people_loaded_ = true;
  }
  return people_;
}

ComPtr<IKestroItem> TTVProgramDetails::AsKestroItem() const {
  ComPtr<TDictionary> item = NewDictionary();
  for (const DetailColumn& c : kColumns) {
    const size_t i = static_cast<size_t>(c.index);
    switch (c.kind) {
      case Kind::kText: item->Set(c.key, fields_.texts[i]); break;
      case Kind::kInt: item->Set(c.key, fields_.ints[i]); break;
      case Kind::kFlag: item->Set(c.key, static_cast<int32_t>(fields_.flags[i])); break;
      case Kind::kDate: item->Set(c.key, Variant::Date(fields_.original_air_date)); break;
    }
  }
  return item;
}

ComPtr<IKestroItem> TTVProgramDetails::DisplayFlags() const {
  ComPtr<TDictionary> flags = NewDictionary();
  for (const auto& [flag, name] : kDisplayFlags)
    if (fields_.Flag(flag) == TV_3_WAY_YES) flags->Set(name, "Y");
  const std::string& color = fields_.Text(DetailText::kColor);
  if (!color.empty() && !SameText(color, "color")) flags->Set(color, "Y");
  return flags;
}

// ITVProgramDetails -------------------------------------------------------------------------

HRESULT TTVProgramDetails::get_LongDescription(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kLongDesc));
}
HRESULT TTVProgramDetails::get_ShortDescription(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kShortDesc));
}
HRESULT TTVProgramDetails::get_PartNumber(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kPartNum));
}
HRESULT TTVProgramDetails::get_NumberOfParts(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kNumOfParts));
}
HRESULT TTVProgramDetails::get_IsCC(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kCC));
}
HRESULT TTVProgramDetails::get_IsStereo(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kStereo));
}
HRESULT TTVProgramDetails::get_IsRepeat(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kRepeat));
}
HRESULT TTVProgramDetails::get_IsSubtitled(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSubtitled));
}
HRESULT TTVProgramDetails::get_IsJoinedInProgress(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kJoinedInProgress));
}
HRESULT TTVProgramDetails::get_IsSAP(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSAP));
}
HRESULT TTVProgramDetails::get_IsSubjectToBlackout(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kBlackout));
}
HRESULT TTVProgramDetails::get_HasSexRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kSexRating));
}
HRESULT TTVProgramDetails::get_HasViolenceRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kViolenceRating));
}
HRESULT TTVProgramDetails::get_HasLanguageRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kLanguageRating));
}
HRESULT TTVProgramDetails::get_HasDialogRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kDialogRating));
}
HRESULT TTVProgramDetails::get_HasFantasyViolenceRating(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kFantasyViolenceRating));
}
HRESULT TTVProgramDetails::get_IsEnhanced(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kEnhanced));
}
HRESULT TTVProgramDetails::get_Is3D(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::k3D));
}
HRESULT TTVProgramDetails::get_IsLetterbox(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kLetterbox));
}
HRESULT TTVProgramDetails::get_IsHDTV(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kHDTV));
}
HRESULT TTVProgramDetails::get_IsDVS(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kDVS));
}
HRESULT TTVProgramDetails::get_IsMadeForTV(TV_3_WAY* value) {
  return GetProperty(value, fields_.Flag(DetailFlag::kMadeForTV));
}
HRESULT TTVProgramDetails::get_Dolby(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kDolby));
}
HRESULT TTVProgramDetails::get_PremiereFinale(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kPremiereFinale));
}
HRESULT TTVProgramDetails::get_Advisories(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kAdvisories));
}
HRESULT TTVProgramDetails::get_YearProduced(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kYear));
}
HRESULT TTVProgramDetails::get_RunTime(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kRunTime));
}
HRESULT TTVProgramDetails::get_Color(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kColor));
}
HRESULT TTVProgramDetails::get_Language(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kLanguage));
}
HRESULT TTVProgramDetails::get_CountryOfOrigin(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kOriginCountry));
}
HRESULT TTVProgramDetails::get_SourceType(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kSourceType));
}
HRESULT TTVProgramDetails::get_ShowType(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kShowType));
}
HRESULT TTVProgramDetails::get_Holiday(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kHoliday));
}
HRESULT TTVProgramDetails::get_EpisodeNumber(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kEpisodeNum));
}
HRESULT TTVProgramDetails::get_Network(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kOriginNetwork));
}
HRESULT TTVProgramDetails::get_Studio(std::string* value) {
  return GetProperty(value, fields_.Text(DetailText::kOriginStudio));
}
HRESULT TTVProgramDetails::get_SeasonNumber(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kSeasonNum));
}
HRESULT TTVProgramDetails::get_SeasonEpisodeNumber(int32_t* value) {
  return GetProperty(value, fields_.Int(DetailInt::kSeasonEpisodeNum));
}

HRESULT TTVProgramDetails::get_OriginalAirDate(OleDate* value) {
  return GetProperty(value, fields_.original_air_date);
}
HRESULT TTVProgramDetails::get_Genres(IKestroItem** result) {
  return GetProperty(result, [&] { return Genres(); });
}
HRESULT TTVProgramDetails::get_PeopleCount(int32_t* value) {
  return GetProperty(value, [&] { return static_cast<int32_t>(People().size()); });
}
HRESULT TTVProgramDetails::get_People(int32_t index, ITVPerson** result) {
  return GetProperty(result, [&] {
    const auto& people = People();
    if (index < 0 || index >= static_cast<int32_t>(people.size())) ThrowIndexOutOfBounds(index);
    return ComPtr<ITVPerson>(people[static_cast<size_t>(index)]);
  });
}
HRESULT TTVProgramDetails::GetAsKestroItem(IKestroItem** result) {
  return FrameOut(result, [&] { return AsKestroItem(); });
}
HRESULT TTVProgramDetails::GetDisplayFlags(IKestroItem** result) {
  return FrameOut(result, [&] { return DisplayFlags(); });
}

}  // namespace kestro
