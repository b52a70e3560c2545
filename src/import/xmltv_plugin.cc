#include "import/xmltv_plugin.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "import/command_line.h"
#include "import/xmltv_import.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"
#include "support/dictionary.h"

namespace kestro {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRunningXMLTV = "Running XMLTV. This could take several minutes...";
// Days fetched when the lineup names none (or no number).
constexpr int32_t kDefaultDays = 7;

// "*.xml", "*.xmltv" and their gzip forms "*.xml.gz", "*.xmltv.gz", any letter case.
bool IsListingsFileName(std::string_view name) {
  for (const std::string_view end : {".xml", ".xmltv", ".xml.gz", ".xmltv.gz"}) {
    if (name.size() > end.size() && SameText(name.substr(name.size() - end.size()), end))
      return true;
  }
  return false;
}

void ImportWithReader(ITVListingsImportSystem& import_system, const std::string& file_name,
                      IKestroItem* settings) {
  TXMLTVImport(&import_system, file_name, settings).Run();
}

}  // namespace

TXMLTVListingsWizard::TXMLTVListingsWizard(std::shared_ptr<Env> env)
    : TXMLTVListingsWizard(std::move(env), Options()) {}

TXMLTVListingsWizard::TXMLTVListingsWizard(std::shared_ptr<Env> env, Options options)
    : env_(std::move(env)), options_(std::move(options)) {
  if (!options_.import_file) options_.import_file = ImportWithReader;
}

void TXMLTVListingsWizard::ReadProperties(IKestroItem* properties) {
  directory_mode_ = PluginProperty(properties, "mode") == "I";
  directory_ = PluginProperty(properties, "dir");
  after_import_ = PluginProperty(properties, "after-import");
  executable_ = PluginProperty(properties, "exe");
  grabber_ = PluginProperty(properties, "grabber");
  params_ = PluginProperty(properties, "params");
  time_zone_ = PluginProperty(properties, "timezone");
  language_ = PluginProperty(properties, "lang");
  if (!TryStrToInt(Trim(PluginProperty(properties, "days")), &days_)) days_ = kDefaultDays;
  ComPtr<TDictionary> copy = NewDictionary();
  CheckHResult(copy->Assign(properties));
  settings_ = ComPtr<IKestroItem>(copy.Get());
}

std::vector<std::string> TXMLTVListingsWizard::ScanDirectory() {
  Progress(-1, "Scanning for files...");
  Log("Importing from " + directory_);
  std::vector<std::string> files;
  std::vector<DirEntry> entries;
  env_->ListDirectory(directory_, &entries);
  for (const DirEntry& entry : entries) {
    if (IsListingsFileName(entry.name) && entry.is_regular_file)
      files.push_back((fs::path(directory_) / entry.name).string());
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) Log("Found " + file);
  if (files.empty()) throw Exception("No files to import in \"" + directory_ + "\"");
  return files;
}

std::vector<std::string> TXMLTVListingsWizard::RunGrabber(ITVListingsImportSystem& import_system) {
  Progress(-1, kRunningXMLTV);
  if (executable_.empty() || !env_->FileExists(executable_))
    throw Exception("The XMLTV executable \"" + executable_ + "\" does not exist");

  std::string temp_dir;
  CheckHResult(import_system.get_TemporaryDirectory(&temp_dir));
  if (!temp_dir.empty() && temp_dir.back() != '/') temp_dir += '/';
  ComPtr<ITVListings> listings;
  CheckHResult(import_system.get_Listings(listings.ReleaseAndGetAddressOf()));
  int32_t lineup_id = 0;
  if (listings) CheckHResult(listings->get_ID(&lineup_id));
  const std::string output =
      temp_dir + Format("listings.%d.%s.xmltv", lineup_id,
                        FormatDateTime("yyyy-mm-dd-hh-nn-ss", env_->NowLocal()).c_str());
  if (env_->FileExists(output) && env_->RemoveFile(output))
    throw Exception("Failed to remove existing temporary file \"" + output + "\"");

  const std::string command_line = Format("%s %s --days %d --output \"%s\"", grabber_.c_str(),
                                          params_.c_str(), days_, output.c_str());
  Log("Running XMLTV from " + executable_);
  Log("Command line is \"" + command_line + "\"");

  std::error_code ec;
  const fs::path executable = fs::absolute(executable_, ec);
  std::unique_ptr<ChildProcess> process;
  try {
    process = env_->StartProcess(
        {executable.string(), SplitCommandLine(command_line), executable.parent_path().string(),
         [this](const std::string& line) { Log("XMLTV : " + line); }});
  } catch (const std::exception& e) {
    throw Exception("Failed to run XMLTV with command line \"" + executable_ + " " +
                    command_line + "\" : " + e.what());
  }

  const int64_t started = env_->SteadyMillis();
  while (!process->Wait(options_.wait_step_ms)) {
    if (env_->SteadyMillis() - started > options_.max_run_time_ms) {
      process->Terminate();
      throw Exception(Format("The XMLTV process ran longer than the max. run time of %d minutes",
                             static_cast<int>(options_.max_run_time_ms / 60000)));
    }
    try {
      Progress(-1, kRunningXMLTV);
    } catch (...) {
      process->Terminate();
      throw;
    }
  }
  if (process->ExitCode() != 0)
    throw Exception(Format("XMLTV returned a failure exit code \"%d\"", process->ExitCode()));
  process.reset();

  if (!env_->FileExists(output))
    throw Exception("XMLTV seems to have run succesfully but the specified output file \"" +
                    output + "\" does not exist");
  Progress(-1, "Finished running XMLTV");
  Log("Finished running XMLTV");
  return {output};
}

void TXMLTVListingsWizard::AfterImport(const std::vector<std::string>& files) {
  if (SameText(after_import_, "nothing")) return;
  Log("");
  const bool remove = SameText(after_import_, "delete");
  const bool rename = SameText(after_import_, "rename");
  for (const std::string& file : files) {
    if (remove) {
      const bool failed = static_cast<bool>(env_->RemoveFile(file));
      Log((failed ? "Failed to delete \"" : "Deleted \"") + file + "\"");
    } else if (rename) {
      const std::string target = file + ".imported";
      const bool failed = static_cast<bool>(env_->RenameFile(file, target));
      Log((failed ? "Failed to rename \"" : "Renamed \"") + file + "\" to \"" + target + "\"");
    }
  }
}

bool TXMLTVListingsWizard::RunImport(IKestroItem* properties,
                                     ITVListingsImportSystem& import_system,
                                     std::string& error_message) {
  try {
    BeginRun(import_system);
    ReadProperties(properties);

    const std::vector<std::string> files =
        directory_mode_ ? ScanDirectory() : RunGrabber(import_system);
    for (const std::string& file : files) {
      Progress(0, "Importing XMLTV data");
      Log("Importing from \"" + file + "\"");
      options_.import_file(import_system, file, settings_.Get());
    }
    if (directory_mode_) AfterImport(files);
    return true;
  } catch (const std::exception& e) {
    error_message = e.what();
    return false;
  }
}

ComPtr<ITVListingsImportPlugin> MakeXMLTVListingsWizard(const std::shared_ptr<Env>& env) {
  return ComPtr<ITVListingsImportPlugin>(MakeObject<TXMLTVListingsWizard>(env).Get());
}

}  // namespace kestro
