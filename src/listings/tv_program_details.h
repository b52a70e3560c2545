// TTVProgramDetails and TTVPerson: the `program_details` row of a programme, its genres and its
// people.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_programs.h"
#include "storage/db.h"

namespace kestro {

// Text columns of `program_details`.
enum class DetailText : int32_t {
  kLongDesc, kShortDesc, kDolby, kPremiereFinale, kAdvisories, kColor, kLanguage,
  kOriginCountry, kSourceType, kShowType, kHoliday, kEpisodeNum, kOriginNetwork, kOriginStudio,
  kCount
};
// Integer columns.
enum class DetailInt : int32_t {
  kPartNum, kNumOfParts, kYear, kRunTime, kSeasonNum, kSeasonEpisodeNum, kCount
};
// Tri-state columns (`is_...`), in interface order.
enum class DetailFlag : int32_t {
  kCC, kStereo, kRepeat, kSubtitled, kJoinedInProgress, kSAP, kBlackout, kSexRating,
  kViolenceRating, kLanguageRating, kDialogRating, kFantasyViolenceRating, kEnhanced, k3D,
  kLetterbox, kHDTV, kDVS, kMadeForTV, kCount
};

struct ProgramDetailsFields {
  std::array<std::string, static_cast<size_t>(DetailText::kCount)> texts;
  std::array<int32_t, static_cast<size_t>(DetailInt::kCount)> ints{};
  std::array<TV_3_WAY, static_cast<size_t>(DetailFlag::kCount)> flags;
  OleDate original_air_date = 0.0;

  ProgramDetailsFields() { flags.fill(TV_3_WAY_UNKNOWN); }
  const std::string& Text(DetailText c) const { return texts[static_cast<size_t>(c)]; }
  int32_t Int(DetailInt c) const { return ints[static_cast<size_t>(c)]; }
  TV_3_WAY Flag(DetailFlag c) const { return flags[static_cast<size_t>(c)]; }
};

// Reads the current row of a `program_details` query by column name: texts "" when null,
// integers 0, tri-states unknown unless 0 or 1. At the end of the table every field is empty,
// 0 or unknown.
ProgramDetailsFields ReadProgramDetails(const ITable& table);

// ReadProgramDetails for many rows of one query: the columns are found by name once.
class ProgramDetailsReader {
 public:
  explicit ProgramDetailsReader(const ITable& table);
  ProgramDetailsFields Read(const ITable& table) const;

 private:
  std::vector<int32_t> columns_;  // per column of the details, its index in the table or -1
};

// The date of an 8-digit "yyyymmdd" text; 0.0 for any other length, a non-digit or an invalid
// date.
OleDate ParseOriginalAirDate(std::string_view text);

class TTVPerson : public TKestroTVObject<ITVPerson> {
 public:
  TTVPerson(int32_t id, std::string name, int32_t role_id, std::string role)
      : id_(id), name_(std::move(name)), role_id_(role_id), role_(std::move(role)) {}

  HRESULT get_ID(int32_t* value) override;
  HRESULT get_Name(std::string* value) override;
  HRESULT get_Role(std::string* value) override;
  HRESULT get_RoleID(int32_t* value) override;

  int32_t ID() const { return id_; }
  const std::string& Name() const { return name_; }
  int32_t RoleID() const { return role_id_; }
  const std::string& Role() const { return role_; }

 private:
  int32_t id_;
  std::string name_;
  int32_t role_id_;
  std::string role_;
};

class TTVProgramDetails : public TKestroTVObject<ITVProgramDetails> {
 public:
  // The details of programme `program_id` from the table's current row (see ReadProgramDetails);
  // genres and people are read from `db` when asked for.
  TTVProgramDetails(DBPtr db, int32_t program_id, const ITable& table);
  // Details read already, with the programme's genre names by relevance (ProgramDetailsBatch).
  TTVProgramDetails(DBPtr db, int32_t program_id, ProgramDetailsFields fields,
                    std::vector<std::string> genres);

  // ITVProgramDetails.
  HRESULT get_LongDescription(std::string* value) override;
  HRESULT get_ShortDescription(std::string* value) override;
  HRESULT get_PartNumber(int32_t* value) override;
  HRESULT get_NumberOfParts(int32_t* value) override;
  HRESULT get_IsCC(TV_3_WAY* value) override;
  HRESULT get_IsStereo(TV_3_WAY* value) override;
  HRESULT get_IsRepeat(TV_3_WAY* value) override;
  HRESULT get_IsSubtitled(TV_3_WAY* value) override;
  HRESULT get_IsJoinedInProgress(TV_3_WAY* value) override;
  HRESULT get_IsSAP(TV_3_WAY* value) override;
  HRESULT get_IsSubjectToBlackout(TV_3_WAY* value) override;
  HRESULT get_HasSexRating(TV_3_WAY* value) override;
  HRESULT get_HasViolenceRating(TV_3_WAY* value) override;
  HRESULT get_HasLanguageRating(TV_3_WAY* value) override;
  HRESULT get_HasDialogRating(TV_3_WAY* value) override;
  HRESULT get_HasFantasyViolenceRating(TV_3_WAY* value) override;
  HRESULT get_IsEnhanced(TV_3_WAY* value) override;
  HRESULT get_Is3D(TV_3_WAY* value) override;
  HRESULT get_IsLetterbox(TV_3_WAY* value) override;
  HRESULT get_IsHDTV(TV_3_WAY* value) override;
  HRESULT get_IsDVS(TV_3_WAY* value) override;
  HRESULT get_IsMadeForTV(TV_3_WAY* value) override;
  HRESULT get_Dolby(std::string* value) override;
  HRESULT get_PremiereFinale(std::string* value) override;
  HRESULT get_Advisories(std::string* value) override;
  HRESULT get_YearProduced(int32_t* value) override;
  HRESULT get_RunTime(int32_t* value) override;
  HRESULT get_Color(std::string* value) override;
  HRESULT get_Language(std::string* value) override;
  HRESULT get_CountryOfOrigin(std::string* value) override;
  HRESULT get_SourceType(std::string* value) override;
  HRESULT get_ShowType(std::string* value) override;
  HRESULT get_Holiday(std::string* value) override;
  HRESULT get_EpisodeNumber(std::string* value) override;
  HRESULT get_Network(std::string* value) override;
  HRESULT get_Studio(std::string* value) override;
  HRESULT get_OriginalAirDate(OleDate* value) override;
  HRESULT get_SeasonNumber(int32_t* value) override;
  HRESULT get_SeasonEpisodeNumber(int32_t* value) override;
  HRESULT get_Genres(IKestroItem** result) override;
  HRESULT get_PeopleCount(int32_t* value) override;
  HRESULT get_People(int32_t index, ITVPerson** result) override;
  HRESULT GetAsKestroItem(IKestroItem** result) override;
  HRESULT GetDisplayFlags(IKestroItem** result) override;

  int32_t ProgramID() const { return program_id_; }
  const ProgramDetailsFields& fields() const { return fields_; }

  // Genre name -> "Y", ordered by relevance (a new bag each call; read each call unless they
  // came with the details).
  ComPtr<IKestroItem> Genres() const;
  // Cast and crew ordered by relevance, read on first use.
  const std::vector<ComPtr<TTVPerson>>& People();
  ComPtr<IKestroItem> AsKestroItem() const;
  ComPtr<IKestroItem> DisplayFlags() const;

 private:
  DBPtr db_;
  int32_t program_id_;
  ProgramDetailsFields fields_;
  std::optional<std::vector<std::string>> genres_;
  bool people_loaded_ = false;
  std::vector<ComPtr<TTVPerson>> people_;
};

}  // namespace kestro
