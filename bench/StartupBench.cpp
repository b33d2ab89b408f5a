// Start-up time of the real program: from starting the `morrowfane` binary (path built in, or the
// first argument) to its main window being mapped on an X server. Runs its own Xvfb, watches the
// root window for a mapped top-level window titled "MorrowFane", and stops the program. The
// program has no hooks for this; the X server sees what a user's screen would. Prints the first
// (cold) run and the median of the rest; skipped without Xvfb.

#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "JackTestServer.h"

namespace {

using namespace morrowfane;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 11;
constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 120;
constexpr auto kServerStartWait = 10s;
constexpr auto kShowTimeout = 20s;
constexpr auto kPoll = 1ms;
constexpr char kWindowTitle[] = "MorrowFane";
constexpr std::uint8_t kEventTypeMask = 0x7F;  // the top bit marks events sent by clients

struct ConnectionDeleter {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

Connection Connect(const std::string& display) {
  Connection connection(xcb_connect(display.c_str(), nullptr));
  if (connection && xcb_connection_has_error(connection.get()) != 0) {
    connection.reset();
  }
  return connection;
}

std::string Title(xcb_connection_t* connection, xcb_window_t window) {
  const auto cookie = xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0,
                                       sizeof(kWindowTitle));
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(connection, cookie, nullptr), &std::free);
  if (!reply) {
    return {};
  }
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// Waits for a top-level window titled kWindowTitle to be mapped; the time it was seen, if it was.
std::optional<Clock::time_point> WaitForWindow(xcb_connection_t* connection,
                                               testing::ChildProcess& program) {
  const auto deadline = Clock::now() + kShowTimeout;
  while (Clock::now() < deadline && !program.Exited()) {
    std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(connection),
                                                                     &std::free);
    if (!event) {
      std::this_thread::sleep_for(kPoll);
      continue;
    }
    if ((event->response_type & kEventTypeMask) == XCB_MAP_NOTIFY) {
      const auto seen = Clock::now();
      const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
      if (Title(connection, map->window) == kWindowTitle) {
        return seen;
      }
    }
  }
  return std::nullopt;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string program = argc > 1 ? argv[1] : MORROWFANE_PROGRAM;
  if (!testing::ProgramOnPath("Xvfb")) {
    std::printf("startup_bench: skipped, Xvfb is not installed\n");
    return 0;
  }
  std::string display;
  for (int number = kFirstDisplay; number <= kLastDisplay && display.empty(); ++number) {
    if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
      display = ":" + std::to_string(number);
    }
  }
  testing::ChildProcess server(
      {"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  Connection connection;
  testing::WaitFor(
      [&] {
        connection = Connect(display);
        return connection != nullptr || server.Exited();
      },
      std::chrono::duration_cast<std::chrono::milliseconds>(kServerStartWait));
  if (!connection) {
    std::printf("startup_bench: Xvfb did not start on %s\n", display.c_str());
    return 1;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection.get(), screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(connection.get());

  // A folder of its own for the settings file the program reads and writes; the X display, not
  // the offscreen platform, so the window is really shown.
  const auto folder = std::filesystem::temp_directory_path() /
                      ("morrowfane-startup-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  setenv("DISPLAY", display.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);

  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    testing::ChildProcess child({program});
    const auto shown = WaitForWindow(connection.get(), child);
    if (!shown) {
      std::printf("startup_bench: the window of %s was not shown\n", program.c_str());
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(*shown - start).count());
  }
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(folder);

  const double cold = times.front();
  times.erase(times.begin());
  std::printf("%-44s %8.1f ms\n", "start to window shown, first run", cold);
  std::printf("%-44s %8.1f ms  min %.1f  max %.1f  (n=%zu)\n",
              "start to window shown, median of the rest", Median(times),
              *std::min_element(times.begin(), times.end()),
              *std::max_element(times.begin(), times.end()), times.size());
  return 0;
}
