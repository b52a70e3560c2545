#include "import/service_plugin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "core/registry_info.h"
#include "import/download.h"
#include "import/service_archive.h"
#include "import/service_records.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro {
namespace {

// A query value with everything but unreserved characters %-escaped.
std::string QueryValue(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += Format("%%%02X", c);
    }
  }
  return out;
}

// Removes a file left by an earlier run of the same second and makes it anew, empty.
void CreateEmpty(Env& env, const std::string& path, const char* purpose) {
  if (env.FileExists(path) && env.RemoveFile(path))
    throw EImportStopped("Failed to delete existing temporary file \"" + path + "\"");
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file)
    throw EImportStopped("Failed to create temporary file \"" + path + "\" to " + purpose +
                         " listings : " + std::strerror(errno));
}

}  // namespace

TTribuneListingsWizard::TTribuneListingsWizard(std::shared_ptr<Env> env)
    : TTribuneListingsWizard(std::move(env), Options()) {}

TTribuneListingsWizard::TTribuneListingsWizard(std::shared_ptr<Env> env, Options options)
    : env_(std::move(env)), options_(options) {}

void TTribuneListingsWizard::ReadProperties(IKestroItem* properties) {
  country_ = PluginProperty(properties, "country");
  headend_id_ = PluginProperty(properties, "headend-id");
  device_id_ = PluginProperty(properties, "device-id");
  service_url_ = Trim(PluginProperty(properties, "service-url"));
  if (service_url_.empty()) service_url_ = Config().service_url;
  while (!service_url_.empty() && service_url_.back() == '/') service_url_.pop_back();
  ignored_channels_.clear();
  for (const std::string& id : Split(PluginProperty(properties, "ignored-channels"), ',')) {
    const std::string trimmed = Trim(id);
    if (!trimmed.empty()) ignored_channels_.insert(UnicodeLower(trimmed));
  }
}

std::string TTribuneListingsWizard::RequestUrl() const {
  return service_url_ + "/V0_1/tribune?mode=schedule&provider=" + QueryValue(headend_id_) +
         "&device=" + QueryValue(device_id_) + "&country=" + QueryValue(country_);
}

std::string TTribuneListingsWizard::Fetch(ITVListingsImportSystem& import_system,
                                          int32_t& lines) {
  std::string temp_dir;
  CheckHResult(import_system.get_TemporaryDirectory(&temp_dir));
  if (!temp_dir.empty() && temp_dir.back() != '/') temp_dir += '/';
  int32_t lineup_id = 0;
  if (listings_) CheckHResult(listings_->get_ID(&lineup_id));
  const std::string stamp = FormatDateTime("yyyy-mm-dd-hh-nn-ss", env_->NowLocal());
  const std::string archive = temp_dir + Format("listings.%d.%s.mlz", lineup_id, stamp.c_str());
  const std::string text = temp_dir + Format("listings.%d.%s.mlt", lineup_id, stamp.c_str());

  CreateEmpty(*env_, archive, "download");
  Progress(0, "Downloading listings. This could take several minutes.");
  try {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    DownloadWithProgress(*env_, RequestUrl(), out, options_.timeout_ms, kServiceClientId,
                         /*accept_any_status=*/false, /*reload=*/true, RunProgress());
    out.close();
    if (!out) throw Exception("Failed to write \"" + archive + "\" : " + std::strerror(errno));
  } catch (const EDownloadCanceled&) {
    throw EImportStopped("canceled");
  } catch (const std::exception& e) {
    throw EImportStopped(
        std::string("Failed to download updated listings, please try again later : ") +
        e.what());
  }
  Log("Downloaded listings to " + archive);
  Progress(0, "Download completed, unpacking...");

  CreateEmpty(*env_, text, "unpack");
  try {
    lines = ExtractListingsText(archive, text);
  } catch (const std::exception& e) {
    throw EImportStopped(UnreadableAnswerMessage(archive, e.what()));
  }
  Log("Unpacked listings to " + text);
  return text;
}

bool TTribuneListingsWizard::SaveChannel(ITVListingsImportSystem& import_system,
                                         const ServiceRecord& record) {
  const std::string id(record.Get(ServiceRecord::kChannelId));
  if (!ignored_channels_.empty() && ignored_channels_.count(UnicodeLower(id))) {
    bool exists = false;
    CheckHResult(listings_->ChannelExistsByExternalID(id, &exists));
    if (!exists) return false;
  }
  ComPtr<ITVNewChannel> channel;
  CheckHResult(import_system.NewChannel(channel.ReleaseAndGetAddressOf()));
  const std::string number(record.Get(ServiceRecord::kChannelNumber));
  const std::string name(record.Get(ServiceRecord::kChannelName));
  channel->put_ExternalID(id);
  channel->put_Number(StrToIntDef(number, 0));
  channel->put_ShortName(name);
  channel->put_LongName(name);
  channel->put_Network("");
  channel->put_Frequency(number);
  channel->put_ImageID(id);
  TV_CHANNEL_SAVE_RESULT result = TV_CHANNEL_SAVE_FAILED;
  CheckHResult(channel->Save(&result));
  if (result == TV_CHANNEL_SAVE_UNWANTED) return false;
  if (result != TV_CHANNEL_SAVE_OK) throw EImportStopped("Failed to save channel " + id);
  return true;
}

void TTribuneListingsWizard::ImportLines(ITVListingsImportSystem& import_system,
                                         const std::string& text_file, int32_t total) {
  Log(Format("Counted %d lines", total));

  std::ifstream in(text_file, std::ios::binary);
  if (!in) throw Exception("Failed to open \"" + text_file + "\" : " + std::strerror(errno));
  std::string line;
  int32_t count = 0;
  while (std::getline(in, line)) {
    ++count;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (count % options_.progress_every == 0) {
      const int32_t percent =
          total > 0 ? static_cast<int32_t>(static_cast<int64_t>(count) * 100 / total)
                    : static_cast<int32_t>(std::min(count / 40000.0, 1.0) * 100);
      Progress(percent, Format("%d %% complete. %d of %d programs processed...", percent, count,
                               total));
    }
    const ServiceRecord record(Cp437ToUtf8(line), count);
    if (!SaveChannel(import_system, record)) continue;

    ComPtr<ITVNewProgram> program;
    CheckHResult(import_system.NewProgram(program.ReleaseAndGetAddressOf()));
    record.FillProgram(*program);
    TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
    CheckHResult(program->Save(&result));
    if (result != TV_PROGRAM_SAVE_OK && result != TV_PROGRAM_SAVE_UNWANTED_CHANNEL)
      throw EImportStopped("Failed to save program " +
                           std::string(record.Get(ServiceRecord::kTitle)));
  }
  if (in.bad()) throw Exception("Failed to read \"" + text_file + "\"");
  Log(" ");
  Log(Format("Processed %d program(s)", count));
  Log(" ");
}

bool TTribuneListingsWizard::RunImport(IKestroItem* properties,
                                       ITVListingsImportSystem& import_system,
                                       std::string& error_message) {
  try {
    BeginRun(import_system);
    listings_.Reset();
    CheckHResult(import_system.get_Listings(listings_.ReleaseAndGetAddressOf()));
    Log("Starting import");
    ReadProperties(properties);
    int32_t lines = 0;
    const std::string text_file = Fetch(import_system, lines);
    try {
      ImportLines(import_system, text_file, lines);
    } catch (const EImportStopped&) {
      throw;
    } catch (const std::exception& e) {
      throw EImportStopped(std::string("There was an unhandled error during the import : ") +
                           e.what());
    }
    return true;
  } catch (const std::exception& e) {
    error_message = e.what();
    return false;
  }
}

ComPtr<ITVListingsImportPlugin> MakeTribuneListingsWizard(const std::shared_ptr<Env>& env) {
  return ComPtr<ITVListingsImportPlugin>(MakeObject<TTribuneListingsWizard>(env).Get());
}

}  // namespace kestro
