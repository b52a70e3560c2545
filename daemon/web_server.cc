#include "daemon/web_server.h"

#include <httplib.h>

#include <filesystem>

#include "daemon/daemon.h"
#include "daemon/web_api.h"
#include "daemon/web_compress.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::daemon {

namespace {

constexpr const char* kWebUser = "kestro";

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

// The pages: the registry's folder, else the installed one, else the source tree's (a build).
std::string DefaultPagesDir() {
  for (const char* dir : {KESTRO_WEB_INSTALL_DIR, KESTRO_WEB_SOURCE_DIR}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::path(dir) / "index.html", ec))
      return dir;
  }
  return KESTRO_WEB_SOURCE_DIR;
}

// A plain server, or one speaking TLS with the settings' certificate and key.
std::unique_ptr<httplib::Server> NewServer(const WebSettings& settings) {
  if (settings.certificate.empty()) return std::make_unique<httplib::Server>();
  auto server =
      std::make_unique<httplib::SSLServer>(settings.certificate.c_str(), settings.key.c_str());
  if (!server->is_valid())
    throw Exception("The web guide cannot use the certificate \"" + settings.certificate +
                    "\" with the key \"" + settings.key + "\" (PEM files that belong together)");
  return server;
}

}  // namespace

WebSettings ReadWebSettings(const RegistryFile& registry) {
  WebSettings settings;
  const std::string address = Trim(registry.GetString(kHostRegistryKey, "web-address"));
  settings.password = registry.GetString(kHostRegistryKey, "web-password");
  settings.pages_dir = registry.GetString(kHostRegistryKey, "web-pages");
  settings.certificate = registry.GetString(kHostRegistryKey, "web-certificate");
  settings.key = registry.GetString(kHostRegistryKey, "web-key");
  if (settings.certificate.empty() != settings.key.empty())
    throw Exception(std::string("The web guide needs both values \"web-certificate\" and "
                                "\"web-key\" of \"") +
                    kHostRegistryKey + "\" for HTTPS, or neither");
  if (settings.pages_dir.empty()) settings.pages_dir = DefaultPagesDir();
  if (SameText(address, "off")) {
    settings.enabled = false;
    return settings;
  }
  if (!address.empty()) {
    const size_t colon = address.rfind(':');
    int32_t port = -1;
    if (colon == std::string::npos || colon == 0 ||
        !TryStrToInt(address.substr(colon + 1), &port) || port < 0 || port > 65535)
      throw Exception("The web guide's address \"" + address + "\" is not HOST:PORT");
    settings.host = address.substr(0, colon);
    if (settings.host.size() > 2 && settings.host.front() == '[') {
      settings.host = settings.host.substr(1, settings.host.size() - 2);
    }
    settings.port = port;
  }
  if (!IsLoopback(settings.host) && settings.password.empty())
    throw Exception("The web guide listens on \"" + settings.host +
                    "\" only with a password: set the value \"web-password\" of \"" +
                    kHostRegistryKey + "\", or listen on 127.0.0.1 behind a reverse proxy");
  return settings;
}

WebServer::WebServer(WebSettings settings, std::string registry_path, std::string root_dir,
                     std::string recordings_dir)
    : settings_(std::move(settings)),
      api_(std::make_unique<WebApi>(std::move(registry_path), std::move(root_dir),
                                    std::move(recordings_dir))),
      server_(NewServer(settings_)) {}

WebServer::~WebServer() { Stop(); }

std::string WebServer::Start() {
  // A few workers for the connections (a browser holds several open); the API's calls run on a
  // thread of their own. The server owns the queue.
  server_->new_task_queue = [] { return new httplib::ThreadPool(4); };
  // Small answers go out at once instead of waiting for the browser's delayed acknowledgement
  // of the headers (40 ms per call).
  server_->set_tcp_nodelay(true);
  // The script as it is: the library would spend a tenth of a second compressing it with
  // brotli (see web_compress.h).
  server_->set_file_extension_and_mimetype_mapping("js", "application/javascript; charset=utf-8");
  if (!settings_.password.empty()) {
    const std::string expected =
        httplib::make_basic_authentication_header(kWebUser, settings_.password).second;
    server_->set_pre_routing_handler([expected](const httplib::Request& req,
                                                httplib::Response& res) {
      if (req.get_header_value("Authorization") == expected) return httplib::Server::HandlerResponse::Unhandled;
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"KestroTV\"");
      res.set_content("{\"error\":\"This web guide needs its password\"}", kJsonType);
      return httplib::Server::HandlerResponse::Handled;
    });
  }
  api_->Register(*server_);
  if (!server_->set_mount_point("/", settings_.pages_dir))
    throw Exception("The web guide's pages folder \"" + settings_.pages_dir + "\" does not exist");
  int port = settings_.port;
  if (port == 0) {
    port = server_->bind_to_any_port(settings_.host);
  } else if (!server_->bind_to_port(settings_.host, port)) {
    port = -1;
  }
  if (port <= 0)
    throw Exception(Format("The web guide cannot listen on %s:%d (is the port in use?)",
                           settings_.host.c_str(), settings_.port));
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  const bool v6 = settings_.host.find(':') != std::string::npos;
  const char* scheme = settings_.certificate.empty() ? "http" : "https";
  return Format(v6 ? "%s://[%s]:%d/" : "%s://%s:%d/", scheme, settings_.host.c_str(), port);
}

void WebServer::Stop() {
  if (thread_.joinable()) {
    server_->stop();
    thread_.join();
  }
  api_.reset();  // the worker has gone: its module objects are released here
}

}  // namespace kestro::daemon
