// TTVListings: the entry to one lineup's listings database. It owns the connection (shared by
// every channel, list and programme it hands out) and runs every programme search as one SQL
// statement built from condition fragments (listings/search_conditions.h), but for the keyword
// search, which orders and filters what the keyword index finds in memory (ProgramTimeIndex).
//
// A connection is used by one thread at a time: the listings object and what it hands out belong
// to the thread that made it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"
#include "listings/program_time_index.h"
#include "listings/schedule_access.h"
#include "listings/search_conditions.h"
#include "listings/tv_program_list.h"
#include "storage/db.h"
#include "support/dictionary.h"

namespace kestro {

class TTVListings : public TKestroTVObject<ITVListings> {
 public:
  // Opens (creating or upgrading) the listings database with `env` and attaches `scheduling` to
  // the connection (null: a guide without scheduling, whose GetScheduler fails); throws the
  // database's open/create message.
  TTVListings(std::string file_name, int32_t id, const std::shared_ptr<Env>& env,
              std::shared_ptr<const IScheduleAccess> scheduling);

  // ITVListings.
  HRESULT SearchByTitle(const std::string& search_string, int32_t channel_or_list_id,
                        OleDate from_time, int32_t limit, ITVProgramList** result) override;
  HRESULT SearchByTimeSlice(OleDate from_time, OleDate to_time, int32_t channel_or_list_id,
                            int32_t limit, ITVProgramList** result) override;
  HRESULT SearchByStartTime(OleDate from_time, OleDate to_time, int32_t channel_or_list_id,
                            int32_t limit, ITVProgramList** result) override;
  HRESULT NewProgramGroups(ITVProgramGroups** result) override;
  HRESULT FindProgramByID(int32_t program_id, ITVProgram** result) override;
  HRESULT GetChannelLists(const std::string& for_user, ITVChannelLists** result) override;
  HRESULT NewChannelList(ITVChannelList** result) override;
  HRESULT GetAllChannels(ITVChannelList** result) override;
  HRESULT FindChannelListByID(int32_t channel_list_id, ITVChannelList** result) override;
  HRESULT FindChannelByID(int32_t channel_id, ITVChannel** result) override;
  HRESULT DeleteChannelList(int32_t channel_list_id, bool* result) override;
  HRESULT SearchByKeywords(const std::string& keywords, int32_t search_type,
                           int32_t channel_or_list_id, OleDate from_time, int32_t limit,
                           ITVProgramList** result) override;
  HRESULT SearchByProgramType(const std::string& program_type, OleDate from_time, OleDate to_time,
                              int32_t channel_or_list_id, int32_t limit,
                              ITVProgramList** result) override;
  HRESULT SearchByEqualityKey(const std::string& equality_key, int32_t channel_or_list_id,
                              OleDate from_time, int32_t limit, ITVProgramList** result) override;
  HRESULT get_ID(int32_t* value) override;
  HRESULT GetProgramsToBeRecorded(int32_t channel_or_list_id, ITVProgramList** result) override;
  HRESULT GetPeople(const std::string& search_string, IKestroItem** result) override;
  HRESULT GetAllPeopleRoles(IKestroItem** result) override;
  HRESULT SearchByPerson(int32_t person_id, int32_t channel_or_list_id, OleDate from_time,
                         int32_t limit, ITVProgramList** result) override;
  HRESULT GetMasterChannels(ITVChannelList** result) override;
  HRESULT FindChannelByExternalID(const std::string& channel_external_id,
                                  ITVChannel** result) override;
  HRESULT ChannelExistsByExternalID(const std::string& channel_external_id,
                                    bool* result) override;
  HRESULT GetScheduler(ITVScheduler** result) override;
  HRESULT CustomSearch(const std::string& search_query, std::string* error_text,
                       ITVProgramList** result) override;
  HRESULT HasAnyPrograms(bool* result) override;

  // Module-internal access (the scheduler, the import and the lineup engine share the
  // connection).
  const DBPtr& DB() const { return db_; }
  int32_t ID() const { return id_; }
  const std::string& FileName() const { return file_name_; }

  // The programme search every search ends in: one statement, one list sharing its result.
  ComPtr<TTVProgramList> RunProgramSearch(const ProgramSearch& search);

  // The searches, as the interface describes them.
  ComPtr<TTVProgramList> FindByTitle(const std::string& pattern, int32_t channel_or_list_id,
                                     OleDate from_time, int32_t limit);
  ComPtr<TTVProgramList> FindInTimeSlice(OleDate from_time, OleDate to_time,
                                         int32_t channel_or_list_id, int32_t limit);
  ComPtr<TTVProgramList> FindByStartTime(OleDate from_time, OleDate to_time,
                                         int32_t channel_or_list_id, int32_t limit);
  ComPtr<TTVProgramList> FindByKeywords(const std::string& keywords, int32_t search_type,
                                        int32_t channel_or_list_id, OleDate from_time,
                                        int32_t limit);
  ComPtr<TTVProgramList> FindByProgramType(const std::string& program_type, OleDate from_time,
                                           OleDate to_time, int32_t channel_or_list_id,
                                           int32_t limit);
  ComPtr<TTVProgramList> FindByEqualityKey(const std::string& equality_key,
                                           int32_t channel_or_list_id, OleDate from_time,
                                           int32_t limit);
  ComPtr<TTVProgramList> FindByPerson(int32_t person_id, int32_t channel_or_list_id,
                                      OleDate from_time, int32_t limit);
  ComPtr<TTVProgramList> FindToBeRecorded(int32_t channel_or_list_id);
  // Query lines as ParseCustomSearch reads them, with the connection's clock as now.
  // `problems` (may be null) gets one line per line of the query that was skipped.
  ComPtr<TTVProgramList> RunCustomSearch(const std::string& query, std::string* problems = nullptr);
  // Null when the search does not find exactly one programme.
  ComPtr<ITVProgram> FindProgram(int32_t program_id);
  ComPtr<TDictionary> FindPeople(const std::string& pattern);
  ComPtr<TDictionary> AllPeopleRoles();
  bool AnyPrograms();

 private:
  const std::string file_name_;
  const int32_t id_;
  DBPtr db_;
  ProgramTimeIndex program_times_;  // for keyword searches
};

}  // namespace kestro
