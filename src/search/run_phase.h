// Where a search run stands, as one value. The run's named fields
// (StopRequested, MorePages, DocumentReady ...) stay the record the handlers
// work on; the phase is set beside them at every step and is what the window
// shows: one rule below says which of Search and Stop may be pressed.
#pragma once

namespace valo::search {

enum class RunPhase {
  Idle,         // no search running; Search may be pressed
  Starting,     // inside Search, before the first request
  Waiting,      // a request is out; the poll waits for its page
  Stopping,     // Stop pressed; the page on its way is still read, then the end
  Reading,      // inside the page reader
  Ending,       // inside the end step
  Halted,       // a page or the end step failed; no request pending until Stop or the watchdog
  RefusalWait,  // an engine refused the page; the same address is asked for again later
  ProxySettle,  // the proxy changed; the next request waits until the browser uses it
  StoreWait,    // a page is harvested and its numbers are on their way to the store;
                // the next request waits for the store's answer
};

// Why a search ended, for its end text.
enum class EndReason {
  Finished,       // the keywords ran out, or Stop
  EngineRefuses,  // the engine refused page after page of several keywords
  NoUsableProxy,  // every proxy of the list failed
};

// Search may be pressed only while idle or stopping; Stop exactly when Search
// may not. Before the first search both are enabled, which no phase says:
// the window starts that way and is told only once a run moves.
constexpr bool searchAllowedIn(RunPhase phase) {
  return phase == RunPhase::Idle || phase == RunPhase::Stopping;
}

// The phases a run rests in between two events; the others last only while
// a handler runs.
constexpr bool isRestingPhase(RunPhase phase) {
  return phase != RunPhase::Starting && phase != RunPhase::Reading && phase != RunPhase::Ending;
}

constexpr const char* phaseName(RunPhase phase) {
  switch (phase) {
    case RunPhase::Idle: return "Idle";
    case RunPhase::Starting: return "Starting";
    case RunPhase::Waiting: return "Waiting";
    case RunPhase::Stopping: return "Stopping";
    case RunPhase::Reading: return "Reading";
    case RunPhase::Ending: return "Ending";
    case RunPhase::Halted: return "Halted";
    case RunPhase::RefusalWait: return "RefusalWait";
    case RunPhase::ProxySettle: return "ProxySettle";
    case RunPhase::StoreWait: return "StoreWait";
  }
  return "?";
}

// A Search that stops before its first request (offline, no keywords, the
// prompt cancelled or not a number) leaves the run as it was, a stopping
// search included.
class PhaseRestore {
 public:
  PhaseRestore(RunPhase& phase, RunPhase starting) : phase_(phase), before_(phase) { phase_ = starting; }
  ~PhaseRestore() {
    if (!kept_) phase_ = before_;
  }
  PhaseRestore(const PhaseRestore&) = delete;
  PhaseRestore& operator=(const PhaseRestore&) = delete;
  void keep() { kept_ = true; }

 private:
  RunPhase& phase_;
  RunPhase before_;
  bool kept_ = false;
};

}  // namespace valo::search
