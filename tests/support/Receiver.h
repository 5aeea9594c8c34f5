#pragma once
// A results service on loopback for the uploader's tests: it takes HTTP POSTs, checks their
// headers and their bodies against the schema of its kind (IOF XML 3.0 or MOP 1.0), answers
// as the real services do, and misbehaves on command.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quilo::test {

enum class Fault { None, Refuse, Status500, Timeout, ResetMidBody, Slow, MopStatus };

struct ReceivedRequest {
    std::string method, target;                 // "POST", "/path?x"
    std::map<std::string, std::string> headers; // names lower-cased
    std::string body;
    bool accepted = false; // answered 200 with an OK reply (the sender may count it as taken)
    std::string invalid;   // why the body failed its schema ("" when valid)
};

class Receiver {
public:
    enum class Kind { Iof, Mop };
    explicit Receiver(Kind kind); // listens on 127.0.0.1 port 0 at once
    ~Receiver();                  // stops and joins
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    int Port() const;
    std::string Url() const; // "http://127.0.0.1:<port>/results"
    // Headers every request must carry (names matched without case, values exactly); a request
    // without them is answered 401 (IOF) or <MOPStatus status="BADPWD"> (MOP).
    void Expect(std::map<std::string, std::string> headers);
    // Until set back to None. Refuse has taken effect when this returns.
    void SetFault(Fault f, std::string mopStatus = "ERROR", int slowMs = 3000);
    std::vector<ReceivedRequest> Requests() const;
    std::vector<std::string> AcceptedBodies() const; // in arrival order
    // Polls `done` every 20 ms until true or `ms` passed.
    static bool WaitFor(const std::function<bool()>& done, int ms);

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace quilo::test
