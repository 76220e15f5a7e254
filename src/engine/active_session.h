// The libraries' callbacks carry no user data: they find the session of the library
// call in progress here, set for exactly the duration of that call.
#pragma once

namespace tessaly {

struct Session;

class ActiveSessionGuard {
 public:
  explicit ActiveSessionGuard(Session& session) : previous_(current_) { current_ = &session; }
  ~ActiveSessionGuard() { current_ = previous_; }
  ActiveSessionGuard(const ActiveSessionGuard&) = delete;
  ActiveSessionGuard& operator=(const ActiveSessionGuard&) = delete;

  // The session of the library call in progress; null outside one.
  static Session* Current() { return current_; }

 private:
  static inline thread_local Session* current_ = nullptr;
  Session* previous_;
};

}  // namespace tessaly
