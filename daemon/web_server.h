// The web guide: an HTTP server inside kestrod serving the pages of data/web/ and the JSON API
// under /api/v1/ (daemon/web_api.h). It listens on the loopback address unless a password is set;
// with one, every request needs it (HTTP basic authentication, user "kestro"). Given a
// certificate and its key it speaks HTTPS instead of HTTP.
//
// Threads: the server's listener thread accepts; its workers read requests and serve the pages;
// every API call runs on the API's own thread, where its module objects live (see WebApi).
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/system/registry_file.h"

namespace httplib {
class Server;
}

namespace kestro::daemon {

class WebApi;

struct WebSettings {
  bool enabled = true;
  std::string host = "127.0.0.1";
  int port = 8089;        // 0: any free port
  std::string password;     // "" on loopback only
  std::string pages_dir;    // the static pages
  std::string certificate;  // PEM files for HTTPS; both "" for plain HTTP
  std::string key;
};

// The registry values "web-address" ("HOST:PORT", default "127.0.0.1:8089", "off" for no web
// guide), "web-password", "web-pages" (the pages' folder), "web-certificate" and "web-key" (the
// certificate chain and private key for HTTPS) of the host's key. Throws Exception for an
// address that is not HOST:PORT, one beyond the loopback without a password, or a certificate
// without its key (or the other way round).
WebSettings ReadWebSettings(const RegistryFile& registry);

class WebServer {
 public:
  // Throws Exception when the certificate or its key cannot be used.
  WebServer(WebSettings settings, std::string registry_path, std::string root_dir,
            std::string recordings_dir);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Listens and starts answering; returns the guide's address ("http://127.0.0.1:8089/", or
  // "https://..." with a certificate). Throws Exception when it cannot listen.
  std::string Start();
  // Stops answering and joins the server's threads. Idempotent.
  void Stop();

 private:
  const WebSettings settings_;
  std::unique_ptr<WebApi> api_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace kestro::daemon
