#include "import/service_records.h"

#include <iconv.h>

#include <array>
#include <utility>

#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

// The UTF-8 of each byte of code page 437, made once by iconv.
const std::array<std::string, 256>& Cp437Table() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> bytes;
    iconv_t cd = iconv_open("UTF-8", "CP437");
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      char out[8] = {};
      char* in_ptr = &in;
      char* out_ptr = out;
      size_t in_left = 1;
      size_t out_left = sizeof out;
      if (cd != reinterpret_cast<iconv_t>(-1) &&
          iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) {
        bytes[b].assign(out, static_cast<size_t>(out_ptr - out));
      } else {
        bytes[b] = b < 0x80 ? std::string(1, static_cast<char>(b)) : "\xEF\xBF\xBD";  // U+FFFD
      }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return bytes;
  }();
  return table;
}

TV_3_WAY Flag(const std::string& text) {
  if (text == "Y") return TV_3_WAY_YES;
  if (text == "N") return TV_3_WAY_NO;
  return TV_3_WAY_UNKNOWN;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int32_t Number(std::string_view digits) {
  int32_t value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

using TextSetter = HRESULT (ITVNewProgram::*)(const std::string&);
using FlagSetter = HRESULT (ITVNewProgram::*)(TV_3_WAY);

constexpr std::pair<int, FlagSetter> kFlags[] = {
    {2, &ITVNewProgram::put_IsCC},
    {3, &ITVNewProgram::put_IsStereo},
    {4, &ITVNewProgram::put_IsRepeat},
    {6, &ITVNewProgram::put_IsSubtitled},
    {8, &ITVNewProgram::put_IsJoinedInProgress},
    {10, &ITVNewProgram::put_IsSAP},
    {11, &ITVNewProgram::put_IsSubjectToBlackout},
    {12, &ITVNewProgram::put_HasSexRating},
    {13, &ITVNewProgram::put_HasViolenceRating},
    {14, &ITVNewProgram::put_HasLanguagRating},
    {15, &ITVNewProgram::put_HasDialogRating},
    {16, &ITVNewProgram::put_HasFantasyViolenceRating},
    {17, &ITVNewProgram::put_IsEnhanced},
    {18, &ITVNewProgram::put_Is3D},
    {19, &ITVNewProgram::put_IsLetterbox},
    {20, &ITVNewProgram::put_IsHDTV},
    {22, &ITVNewProgram::put_IsDVS},
    {162, &ITVNewProgram::put_IsMadeForTV},
};

constexpr std::pair<int, TextSetter> kTexts[] = {
    {7, &ITVNewProgram::put_PremiereFinale},
    {21, &ITVNewProgram::put_Dolby},
    {23, &ITVNewProgram::put_ShortDescription},
    {159, &ITVNewProgram::put_Color},
    {160, &ITVNewProgram::put_Language},
    {161, &ITVNewProgram::put_CountryOfOrigin},
    {163, &ITVNewProgram::put_SourceType},
    {164, &ITVNewProgram::put_ShowType},
    {165, &ITVNewProgram::put_Holiday},
    {168, &ITVNewProgram::put_Network},
    {170, &ITVNewProgram::put_LongDescription},
    {171, &ITVNewProgram::put_Studio},
};

constexpr int kFirstPerson = 30;
constexpr int kPeople = 40;
constexpr int kFirstGenre = 150;
constexpr int kGenres = 6;

}  // namespace

std::string Cp437ToUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  if (i == text.size()) return std::string(text);
  const std::array<std::string, 256>& table = Cp437Table();
  std::string out(text.substr(0, i));
  out.reserve(text.size() + 16);
  for (; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) out += static_cast<char>(byte);
    else out += table[byte];
  }
  return out;
}

ServiceRecord::ServiceRecord(std::string line, int32_t line_number)
    : line_(std::move(line)), line_number_(line_number) {
  fields_.reserve(kFixedFields + kLastDetail + 1);
  std::string_view rest(line_);
  for (;;) {
    const size_t bar = rest.find('|');
    fields_.push_back(rest.substr(0, bar));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  if (fields_.size() < kFixedFields)
    Fail(Format("the record has %d fields, not the %d fixed ones", static_cast<int>(fields_.size()),
                kFixedFields));
}

void ServiceRecord::Fail(const std::string& what) const {
  throw Exception(Format("line %d: ", line_number_) + what);
}

std::string ServiceRecord::Detail(int index) const {
  const size_t field = kFixedFields + static_cast<size_t>(index);
  if (field >= fields_.size())
    Fail(Format("detail %d (field %d) is missing; the record has %d fields", index,
                static_cast<int>(field) + 1, static_cast<int>(fields_.size())));
  return Trim(fields_[field]);
}

int32_t ServiceRecord::Clock(Field field) const {
  const std::string_view text = Get(field);
  if (text.size() != 4 || !AllDigits(text))
    Fail(Format("field %d \"%s\" is not a time hhmm", static_cast<int>(field),
                std::string(text).c_str()));
  return Number(text.substr(0, 2)) * 60 + Number(text.substr(2));
}

OleDate ServiceRecord::StartTime() const {
  const std::string_view date = Get(kStartDate);
  const int32_t minutes = Clock(kStartTime);
  OleDate utc;
  if (date.size() != 8 || !AllDigits(date) ||
      !TryEncodeDateTime({Number(date.substr(0, 4)), Number(date.substr(4, 2)),
                          Number(date.substr(6, 2)), minutes / 60, minutes % 60, 0, 0},
                         &utc))
    Fail(Format("field %d \"%s\" is not a date yyyymmdd", static_cast<int>(kStartDate),
                std::string(date).c_str()));
  return UtcToLocal(utc);
}

OleDate ServiceRecord::EndTime(OleDate start) const {
  return OleDate(start.value + Clock(kDuration) / (24.0 * 60.0));
}

void ServiceRecord::FillProgram(ITVNewProgram& program) const {
  const OleDate start = StartTime();
  program.put_ChannelExternalID(std::string(Get(kChannelId)));
  program.put_StartTime(start);
  program.put_EndTime(EndTime(start));
  program.put_Title(std::string(Get(kTitle)));
  program.put_Subtitle(std::string(Get(kEpisodeTitle)));
  program.put_TVRating(std::string(Get(kTVRating)));
  program.put_MovieRating(std::string(Get(kMovieRating)));
  program.put_ProgramType(std::string(Get(kProgramType)));
  program.put_EqualityKey(std::string(Get(kProgramId)));

  // The last detail first: a short record fails before anything else is read from it.
  const std::string air_date = Detail(kLastDetail);
  program.put_PartNumber(StrToIntDef(Detail(0), 0));
  program.put_NumberOfParts(StrToIntDef(Detail(1), 0));
  for (const auto& [index, setter] : kFlags) (program.*setter)(Flag(Detail(index)));
  for (const auto& [index, setter] : kTexts) (program.*setter)(Detail(index));
  for (int k = 0; k < kPeople; ++k) {
    const int first = kFirstPerson + 3 * k;
    const std::string name = Trim(Detail(first) + " " + Detail(first + 1));
    const std::string role = Detail(first + 2);
    if (!name.empty() && !role.empty()) program.AddPerson(name, role);
  }
  for (int g = 0; g < kGenres; ++g) {
    const std::string genre = Detail(kFirstGenre + g);
    if (!genre.empty()) program.AddGenre(genre);
  }
  program.put_YearProduced(StrToIntDef(Detail(156), 0));
  const std::string run_time = Detail(158);
  program.put_RunTime(run_time.size() == 4 && AllDigits(run_time)
                          ? Number(run_time.substr(0, 2)) * 60 + Number(run_time.substr(2))
                          : 0);
  OleDate aired;
  if (air_date.size() != 8 || !AllDigits(air_date) ||
      !TryEncodeDateTime({Number(std::string_view(air_date).substr(0, 4)),
                          Number(std::string_view(air_date).substr(4, 2)),
                          Number(std::string_view(air_date).substr(6, 2)), 0, 0, 0, 0},
                         &aired))
    aired = OleDate();
  program.put_OriginalAirDate(aired);
  program.put_SeasonNumber(0);
  program.put_SeasonEpisodeNumber(0);
}

}  // namespace kestro
