#include "server/ResultsServer.h"

namespace quilo {

struct ResultsServer::Impl {};

ServerOptions ServerOptionsFrom(const IniFile&) { return {}; }

ResultsServer::ResultsServer() : impl_(std::make_unique<Impl>()) {}
ResultsServer::~ResultsServer() { Stop(); }
ResultsServer::Started ResultsServer::Start(const ServerOptions&) { return {false, "未実装"}; }
bool ResultsServer::Running() const { return false; }
int ResultsServer::Port() const { return 0; }
std::vector<std::string> ResultsServer::Urls() const { return {}; }
std::vector<std::string> ResultsServer::StartLines(const ResultsServer&, const Started&) { return {}; }
void ResultsServer::Publish(std::shared_ptr<const ResultsSnapshot>) {}
std::uint64_t ResultsServer::Version() const { return 0; }
void ResultsServer::Stop() {}

} // namespace quilo
