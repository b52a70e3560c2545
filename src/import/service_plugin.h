// The import plug-in of the listings download service. It asks the service for one headend's
// listings, gets a ZIP archive holding one text file, unpacks that file into the run's temporary
// folder and saves each of its records as one channel and one programme (service_records.h).
// Its settings are the lineup's plug-in properties:
//   "country"           the country code sent to the service
//   "headend-id"        the headend (provider) whose listings are wanted
//   "device-id"         the device identifier sent to the service
//   "ignored-channels"  comma-separated channel ids not imported while the guide lacks them
//   "service-url"       the service's endpoint; default: the registry value "service-url"
// The archive and the text stay in the temporary folder ("listings.<lineup>.<time>.mlz" and
// ".mlt"); the import removes such files once they are a day old.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "import/import_plugin.h"
#include "kestro/host.h"
#include "kestro/tv_import.h"

namespace kestro {

// The user agent of the service's requests: this client's fixed identifier.
inline constexpr const char* kServiceClientId = "{3B6F2A9C-7D41-4E85-9C0A-5F1E2D7B8A63}";

class TTribuneListingsWizard : public TTVListingsImportPlugin {
 public:
  struct Options {
    // How long the download may go without any activity.
    int32_t timeout_ms = 120000;
    // Progress is reported every this many lines.
    int32_t progress_every = 100;
  };

  explicit TTribuneListingsWizard(std::shared_ptr<Env> env);
  TTribuneListingsWizard(std::shared_ptr<Env> env, Options options);

 protected:
  bool RunImport(IKestroItem* properties, ITVListingsImportSystem& import_system,
                 std::string& error_message) override;

 private:
  void ReadProperties(IKestroItem* properties);
  std::string RequestUrl() const;
  // Downloads and unpacks; answers the text file and sets `lines` to its number of lines, or
  // throws the run's message.
  std::string Fetch(ITVListingsImportSystem& import_system, int32_t& lines);
  // Saves the records of the text file of `total` lines, reading it a line at a time.
  void ImportLines(ITVListingsImportSystem& import_system, const std::string& text_file,
                   int32_t total);
  // Saves the record's channel; false when its lines are to be skipped.
  bool SaveChannel(ITVListingsImportSystem& import_system, const class ServiceRecord& record);

  const std::shared_ptr<Env> env_;
  const Options options_;
  // Settings of the current run.
  std::string country_;
  std::string headend_id_;
  std::string device_id_;
  std::string service_url_;
  std::set<std::string> ignored_channels_;  // lower case
  // Of the current run.
  ComPtr<ITVListings> listings_;
};

// A new listings service plug-in with the standard options (the factory's maker).
ComPtr<ITVListingsImportPlugin> MakeTribuneListingsWizard(const std::shared_ptr<Env>& env);

}  // namespace kestro
