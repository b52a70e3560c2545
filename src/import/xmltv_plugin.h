// The XMLTV import plug-in. Its settings are the lineup's plug-in properties, read at the start of
// every import:
//   "mode"          "I" (exactly): import the "*.xml" and "*.xmltv" files of "dir", also in their
//                   gzip forms "*.xml.gz" and "*.xmltv.gz"; anything else: run a grabber
//   "dir"           the folder of the files (directory mode)
//   "after-import"  "nothing", "delete" or "rename" (to name + ".imported"), any letter case
//   "exe"           the grabber executable (grabber mode)
//   "grabber"       first part of the grabber's command line
//   "params"        further parameters
//   "days"          number of days to fetch
//   "timezone", "lang"  passed on to the XMLTV reader ("timezone": the zone of times written
//                   without one, "+hhmm", "UTC" or a zone name such as "Europe/Berlin")
// A grabber runs as `exe <grabber> <params> --days <days> --output "<file>"`, the command line
// split by shell quoting rules without a shell, in the executable's folder at idle priority; it
// writes into the run's temporary folder, and that file is then imported (in gzip form too).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/import_plugin.h"
#include "kestro/host.h"
#include "kestro/tv_import.h"

namespace kestro {

class TXMLTVListingsWizard : public TTVListingsImportPlugin {
 public:
  // Imports one file into the run with the copy of the plug-in's properties; throws the
  // failure's message.
  using FileImporter = std::function<void(ITVListingsImportSystem& import_system,
                                          const std::string& file_name, IKestroItem* settings)>;

  struct Options {
    // The longest a grabber may run; the message names it in whole minutes.
    int64_t max_run_time_ms = 60LL * 60 * 1000;
    // The wait between two progress reports while the grabber runs.
    int32_t wait_step_ms = 750;
    // Default: the XMLTV reader (TXMLTVImport).
    FileImporter import_file;
  };

  // The grabber, the files and the clock are reached through `env`.
  explicit TXMLTVListingsWizard(std::shared_ptr<Env> env);
  TXMLTVListingsWizard(std::shared_ptr<Env> env, Options options);

 protected:
  bool RunImport(IKestroItem* properties, ITVListingsImportSystem& import_system,
                 std::string& error_message) override;

 private:
  void ReadProperties(IKestroItem* properties);
  std::vector<std::string> ScanDirectory();
  std::vector<std::string> RunGrabber(ITVListingsImportSystem& import_system);
  void AfterImport(const std::vector<std::string>& files);

  const std::shared_ptr<Env> env_;
  Options options_;
  // Settings of the current run.
  bool directory_mode_ = false;
  std::string directory_;
  std::string after_import_;
  std::string executable_;
  std::string grabber_;
  std::string params_;
  std::string time_zone_;
  std::string language_;
  int32_t days_ = 0;
  ComPtr<IKestroItem> settings_;
};

// A new XMLTV plug-in with the standard options (the factory's maker).
ComPtr<ITVListingsImportPlugin> MakeXMLTVListingsWizard(const std::shared_ptr<Env>& env);

}  // namespace kestro
