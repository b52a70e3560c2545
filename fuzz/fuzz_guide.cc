#include "fuzz_guide.h"

#include "common/module_folders.h"
#include "kestro/tv_schedules.h"
#include "import/listings_import.h"
#include "support/logger.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"
#include "scheduling/tv_scheduler.h"

namespace kestro::fuzzing {

OleDate FuzzGuide::Now() { return EncodeDateTime({2005, 1, 1, 0, 0, 0, 0}); }

FuzzGuide::FuzzGuide() {
  testing::UseModuleFolders(dir, 1);
  ComPtr<TTVListings> listings = OpenListings(listings_file, 1, env);
  DBPtr db = listings->DB();
  db->Exec(
      "insert into channels ( channel_id , external_id , number , short_name , wanted ) values "
      "( 1 , \"I10436.labs.zap2it.com\" , 3 , \"NBC\" , 1 ) ;"
      "insert into channels ( channel_id , external_id , number , short_name , wanted ) values "
      "( 2 , \"c2\" , 5 , \"FIVE\" , 1 ) ;");
  for (int i = 0; i < 6; ++i) {
    const OleDate start = Now() + i / 24.0;
    db->ExecFmt(
        "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
        "subtitle , program_type , search_title , schedule_id ) values ( null , %d , %s , %d , "
        "%d , %s , \"\" , \"SH\" , %s , 0 )",
        {SqlArg::Int(1 + i % 2), SqlArg::Quoted("key" + std::to_string(i % 3)),
         SqlArg::Int(DateTimeToDbTime(start)), SqlArg::Int(DateTimeToDbTime(start + 1 / 24.0)),
         SqlArg::Quoted("Show " + std::to_string(i % 3)),
         SqlArg::Quoted("show " + std::to_string(i % 3))});
    db->ExecFmt("insert into program_words ( program_id , words ) values ( %d , %s )",
                {SqlArg::Int(db->LastInsertRowID()),
                 SqlArg::Quoted(" show " + std::to_string(i % 3) + " ")});
  }
  // The first programme is to be recorded, so that an import replacing it relocates it.
  ComPtr<ITVScheduler> scheduler;
  listings->GetScheduler(scheduler.ReleaseAndGetAddressOf());
  ComPtr<TTVScheduler> own(static_cast<TTVScheduler*>(scheduler.Get()));
  ComPtr<TTVSchedule> schedule = own->NewSchedule();
  schedule->fields().program_id = 1;
  schedule->fields().start_time = Now();
  schedule->fields().end_time = Now() + 1 / 24.0;
  schedule->fields().channel_id = 1;
  schedule->fields().title = "Show 0";
  own->Add(*schedule);
}

TTVListingsImportSystem& FuzzGuide::BeginRun() {
  if (!run_) {
    run_ = MakeObject<TTVListingsImportSystem>(
        listings_file, 1, env, std::make_shared<TStringsLogger>(env, log_lines),
        MakeObject<TNoProgress>(), dir / "temp/");
  }
  log_lines.clear();
  run_->BeginSaving();
  return *run_;
}

void FuzzGuide::DiscardRun() {
  run_->DiscardSaving();
  TTVProgramList& relocations = run_->RelocationList();
  while (relocations.Count() > 0) relocations.RemoveAt(0);
}

FuzzGuide& SharedGuide() {
  static FuzzGuide guide;
  return guide;
}

}  // namespace kestro::fuzzing
