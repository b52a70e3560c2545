#include "daemon/web_api.h"

#include <httplib.h>

#include <fstream>

#include "daemon/web_compress.h"
#include "daemon/web_imports.h"
#include "host/host_clock.h"
#include "host/input_error.h"
#include "platform/com/class_loader.h"
#include "platform/system/registry_file.h"
#include "platform/system/tv_registry.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro::daemon {

namespace {

// 32 random bytes as hex: the token a page sends with its changes, new for each daemon.
std::string NewCsrfToken() {
  std::ifstream random("/dev/urandom", std::ios::binary);
  unsigned char bytes[32] = {};
  if (!random.read(reinterpret_cast<char*>(bytes), sizeof bytes))
    throw Exception("Failed to read /dev/urandom for the web guide's token");
  std::string token;
  for (unsigned char b : bytes) token += Format("%02x", b);
  return token;
}

// The server cuts every answer to the request's header Range, error answers too; the API's
// answers are whole (the one call that serves ranges reads the header itself).
void AnswerWhole(const httplib::Request& req) {
  const_cast<httplib::Request&>(req).ranges.clear();
}

bool ChangesState(const httplib::Request& req) {
  return req.method == "POST" || req.method == "DELETE" || req.method == "PUT";
}

}  // namespace

WebApi::WebApi(std::string registry_path, std::string root_dir, std::string recordings_dir)
    : registry_path_(std::move(registry_path)),
      root_dir_(std::move(root_dir)),
      recordings_dir_(std::move(recordings_dir)),
      csrf_token_(NewCsrfToken()),
      imports_(std::make_unique<WebImports>(
          registry_path_, ReadModuleConfig(RegistryFile::Load(registry_path_)).library_dir)) {}

WebApi::~WebApi() {
  imports_.reset();  // cancels what still runs
  module_thread_.Call([this] { system_ = nullptr; });
}

void WebApi::Register(httplib::Server& server) {
  AddCall add = [this, &server](const std::string& method, const std::string& pattern,
                                ApiCall call) {
    httplib::Server::Handler handler = [this, call = std::move(call)](
                                           const httplib::Request& req, httplib::Response& res) {
      Answer(req, res, call);
    };
    const std::string path = "/api/v1" + pattern;
    if (method == "GET") server.Get(path, handler);
    else if (method == "POST") server.Post(path, handler);
    else if (method == "DELETE") server.Delete(path, handler);
  };
  add("GET", "/session", [this](const httplib::Request&, httplib::Response&,
                                host::ModuleSession&) {
    return Json{{"csrf-token", csrf_token_}, {"now", web::TimeJson(host::NowLocal())}};
  });
  AddGuideCalls(add, root_dir_);
  AddScheduleCalls(add);
  AddRecordingCalls(add, recordings_dir_);
  AddImportCalls(add, *imports_);
  // Unknown calls under the API answer in JSON too, and so do requests the server cannot read.
  server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (req.path.rfind("/api/", 0) != 0 || !res.body.empty()) return;
    AnswerWhole(req);
    const std::string call = req.method + " " + req.path;
    const std::string error =
        res.status == 404   ? "No such call: " + call
        : res.status == 416 ? "The header Range \"" + req.get_header_value("Range") +
                                  "\" is not a byte range"
                            : Format("The request %s cannot be read (HTTP %d; a POST without a "
                                     "body needs \"Content-Length: 0\")",
                                     call.c_str(), res.status);
    res.set_content(Json{{"error", error}}.dump(), kJsonType);
  });
}

void WebApi::Answer(const httplib::Request& req, httplib::Response& res, const ApiCall& call) {
  res.set_header("Cache-Control", "no-store");
  AnswerWhole(req);
  module_thread_.Call([&] { AnswerHere(req, res, call); });
  CompressAnswer(req, res);
}

void WebApi::AnswerHere(const httplib::Request& req, httplib::Response& res, const ApiCall& call) {
  try {
    if (ChangesState(req) && req.get_header_value("X-CSRF-Token") != csrf_token_)
      throw HttpError(403, "This call needs the header X-CSRF-Token with the token of "
                           "GET /api/v1/session");
    if (!system_) system_ = CreateClassInstance<IKestroTVSystem>(registry_path_, kKestroTVProgID);
    host::ModuleSession session(system_);
    Json body = call(req, res, session);
    if (res.status <= 0) res.status = 200;
    if (!body.is_null()) res.set_content(body.dump(), kJsonType);  // else the call's own content
    return;
  } catch (const HttpError& e) {
    res.status = e.Status();
    res.set_content(Json{{"error", e.what()}}.dump(), kJsonType);
  } catch (const host::InputError& e) {
    res.status = 400;
    res.set_content(Json{{"error", e.what()}}.dump(), kJsonType);
  } catch (const std::exception& e) {
    res.status = 500;
    res.set_content(Json{{"error", e.what()}}.dump(), kJsonType);
  }
}

namespace web {

Json TimeJson(OleDate value) {
  if (value == 0) return nullptr;
  return FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", value);
}

int32_t PathId(const httplib::Request& req, size_t index) {
  int32_t id = 0;
  const std::string text = index < req.matches.size() ? req.matches[index].str() : "";
  if (!TryStrToInt(text, &id) || id < 1)
    throw host::InputError("\"" + text + "\" is not an id (a whole number from 1)");
  return id;
}

ComPtr<ITVLineup> PathLineup(host::ModuleSession& session, const httplib::Request& req) {
  const int32_t id = PathId(req, 1);
  ComPtr<ITVLineup> lineup = session.LineupById(id);
  if (!lineup) throw HttpError(404, Format("No lineup with id %d", id));
  return lineup;
}

Json BodyObject(const httplib::Request& req) {
  Json body = Json::parse(req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object())
    throw host::InputError("The request's body is not a JSON object");
  return body;
}

std::string ChannelLabel(ITVChannel* channel) {
  if (!channel) return "";
  std::string name = Get(channel, &ITVChannel::get_ShortName);
  if (name.empty()) name = Get(channel, &ITVChannel::get_LongName);
  return Format("%d %s", Get(channel, &ITVChannel::get_Number), name.c_str());
}

}  // namespace web

}  // namespace kestro::daemon
