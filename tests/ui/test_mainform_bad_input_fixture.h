// The main window fed with hostile files: the window fixture, a time bound
// for each test (a hang ends the test program with a message instead of
// blocking the suite), and helpers to look at folders and messages.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/bad_input/BadInput.h"
#include "tests/ui/test_mainform_fixture.h"

namespace badinput {

// Ends the whole test program when the object outlives `seconds`: a window
// that hangs on some input must fail the suite, not stall it.
class Watchdog {
  public:
    Watchdog(int seconds, std::string what)
        : thread_([this, seconds, what = std::move(what)] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds),
                                     [this] { return done_; })) {
                  std::fprintf(stderr, "\n%s: no end within %d s; the test program stops here\n",
                               what.c_str(), seconds);
                  std::fflush(stderr);
                  std::_Exit(124);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::thread thread_;
};

inline std::vector<std::string> folderEntries(const QString& folder)
{
    std::vector<std::string> names;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot))
        names.push_back(name.toStdString());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace badinput

class MainformBadInputTest : public MainformTest {
  protected:
    // Seconds a test may take (in an optimised build); each test runs under
    // its own watchdog.
    static constexpr int kSeconds = 60 * badinput::kSlowBuildFactor;

    void SetUp() override
    {
        MainformTest::SetUp();
        watchdog = std::make_unique<badinput::Watchdog>(
            kSeconds, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override
    {
        MainformTest::TearDown();
        watchdog.reset();
    }

    double secondsSince(std::chrono::steady_clock::time_point start) const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // Records a measured time in the test log and in the XML report.
    void recordSeconds(const std::string& what, double seconds)
    {
        RecordProperty("seconds", std::to_string(seconds));
        std::printf("[ time     ] %s: %.2f s\n", what.c_str(), seconds);
    }

    std::unique_ptr<badinput::Watchdog> watchdog;
};
