// The JSON API of the web guide under /api/v1/ (docs/api.md lists every call). It works on the
// guide through the module's interfaces as kestro does: its own system object with its own
// database connections, made on the API's own thread the first time a call needs it and used on
// that thread alone (the server's workers hand each call over and wait). Changes go through the
// same module calls as kestro's, and the recording engine on the plug-in thread sees them through
// the schedule version.
//
// Answers are JSON; a failure is {"error": "<message>"} with a status that fits: 400 for input
// that is wrong (the message says what), 403 without the page's CSRF token, 404 for what does not
// exist, 409 for a recording refused by conflicts, 500 for the module's own failures.
// Calls that change something are POST or DELETE and carry the header "X-CSRF-Token" with the
// token of GET /api/v1/session.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

#include "daemon/web_params.h"
#include "host/module_session.h"
#include "host/plugin_thread.h"
#include "platform/exception.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace kestro::daemon {

using Json = nlohmann::ordered_json;

// A failure with its HTTP status.
class HttpError : public Exception {
 public:
  HttpError(int status, const std::string& message) : Exception(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

// What each part of the API adds its calls to. A call gets the request, the response (for its
// status, or content of its own) and a module session of the API's thread, and returns the
// answer's JSON, or null when it gave the response content of its own.
using ApiCall =
    std::function<Json(const httplib::Request&, httplib::Response&, host::ModuleSession&)>;
using AddCall =
    std::function<void(const std::string& method, const std::string& pattern, ApiCall call)>;

// Lineups, channels, guide, programmes, searches, XMLTV, status.
void AddGuideCalls(const AddCall& add, const std::string& root_dir);
// Schedules and rules.
void AddScheduleCalls(const AddCall& add);
// The recordings of the media library, their files from `recordings_dir` alone.
void AddRecordingCalls(const AddCall& add, const std::string& recordings_dir);

class WebImports;

class WebApi {
 public:
  WebApi(std::string registry_path, std::string root_dir, std::string recordings_dir);
  ~WebApi();

  // Adds the API's routes to the server.
  void Register(httplib::Server& server);
  const std::string& CsrfToken() const { return csrf_token_; }

 private:
  // Runs `call` with a session of this thread's system object (fresh lineups: another process
  // may have added some), and turns its result or failure into the response.
  void Answer(const httplib::Request& req, httplib::Response& res, const ApiCall& call);
  // On module_thread_.
  void AnswerHere(const httplib::Request& req, httplib::Response& res, const ApiCall& call);

  const std::string registry_path_;
  const std::string root_dir_;
  const std::string recordings_dir_;
  const std::string csrf_token_;
  host::PluginThread module_thread_;  // where every call runs
  ComPtr<IKestroTVSystem> system_;    // module_thread_'s
  std::unique_ptr<WebImports> imports_;
};

// --- shared by the API's files -------------------------------------------------------------

namespace web {

// "yyyy-mm-ddThh:nn:ss" local time, or null for 0.
Json TimeJson(OleDate value);
// The request's lineup (path part 1); 404 when there is none.
ComPtr<ITVLineup> PathLineup(host::ModuleSession& session, const httplib::Request& req);
// A whole number of the path; 400 otherwise.
int32_t PathId(const httplib::Request& req, size_t index);
// The request's body as a JSON object; 400 when it is not one.
Json BodyObject(const httplib::Request& req);
// The channel's "number name".
std::string ChannelLabel(ITVChannel* channel);

}  // namespace web

}  // namespace kestro::daemon
