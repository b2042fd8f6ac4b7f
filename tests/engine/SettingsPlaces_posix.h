// A program folder, a home and a configuration folder of their own for tests
// of where the settings file lives, and ways to make folders unwritable even
// for root: a read-only bind mount in a private mount namespace, or mode 0555
// with the effective user switched to "nobody".
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "SettingsTestFiles.h"
#include "engine/SettingsPath.h"
#include "tests/bad_input/BadInput.h"

namespace settingsplaces {

// Sets or unsets an environment variable for the scope.
class EnvVar {
  public:
    EnvVar(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        set(value);
    }
    ~EnvVar() { set(old_); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

  private:
    void set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

// How a folder is made unwritable.
enum class Blocker {
    ReadOnlyMount,     // bound read-only onto itself (root, private mount namespace)
    NoWritePermission, // mode 0555; root acts as "nobody" meanwhile
};

inline const char* blockerName(Blocker b)
{
    return b == Blocker::ReadOnlyMount ? "ReadOnlyMount" : "NoWritePermission";
}

// The reason the system gives for a folder blocked that way.
inline const char* blockerReason(Blocker b)
{
    return b == Blocker::ReadOnlyMount ? "Read-only file system" : "Permission denied";
}

// Makes folders unwritable for the scope. Folders the test must still write
// into (`writable`) are handed to "nobody" when root switches to it.
class Unwritable {
  public:
    // Empty when it can be done here, else why not (the test then skips).
    std::string block(Blocker how, const std::vector<std::string>& folders,
                      const std::vector<std::string>& writable)
    {
        if (how == Blocker::ReadOnlyMount) {
            for (const std::string& folder : folders) {
                mounts_.push_back(
                    std::make_unique<badinput::Mount>(badinput::Mount::readOnlyBind(folder)));
                if (!mounts_.back()->ok())
                    return "no read-only mount here: " + mounts_.back()->why();
            }
            return {};
        }
        const bool root = ::geteuid() == 0;
        const passwd* nobody = root ? ::getpwnam("nobody") : nullptr;
        if (root && nobody == nullptr)
            return "no user 'nobody' to stand for an ordinary user";
        for (const std::string& folder : folders) {
            ::chmod(folder.c_str(), 0555);
            locked_.push_back(folder);
        }
        if (root) {
            for (const std::string& folder : writable)
                chownTree(folder, nobody->pw_uid, nobody->pw_gid);
            if (::seteuid(nobody->pw_uid) != 0)
                return "cannot act as 'nobody'";
            switched_ = true;
        }
        return {};
    }
    ~Unwritable() { release(); }
    void release()
    {
        if (switched_ && ::seteuid(0) != 0)
            std::abort();
        switched_ = false;
        for (const std::string& folder : locked_)
            ::chmod(folder.c_str(), 0755);
        locked_.clear();
        mounts_.clear();
    }

  private:
    static void chownTree(const std::string& folder, uid_t uid, gid_t gid)
    {
        if (::chown(folder.c_str(), uid, gid) != 0)
            return;
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
            if (::lchown(entry.path().c_str(), uid, gid) != 0)
                return;
    }
    std::vector<std::unique_ptr<badinput::Mount>> mounts_;
    std::vector<std::string> locked_;
    bool switched_ = false;
};

// program/ (the executable's folder), home/ and config/, in a fresh folder
// open to every user; XDG_CONFIG_HOME names config/, HOME names home/.
class Places {
  public:
    Places()
        : xdg_("XDG_CONFIG_HOME", temp_.path() + "/config"), home_("HOME", temp_.path() + "/home")
    {
        ::chmod(temp_.path().c_str(), 0755);
        for (const char* name : {"program", "home", "config"})
            ::mkdir((temp_.path() + "/" + name).c_str(), 0755);
        overrideSettingsFilePath("");
        overrideExecutableFolder(program());
    }
    ~Places()
    {
        overrideExecutableFolder("");
        overrideSettingsFilePath("");
    }
    Places(const Places&) = delete;
    Places& operator=(const Places&) = delete;

    std::string root() const { return temp_.path(); }
    std::string program() const { return temp_.path() + "/program"; }
    std::string programFile() const { return program() + "/Tolvane.ini"; }
    std::string config() const { return temp_.path() + "/config"; }
    std::string userFolder() const { return config() + "/tolvane"; }
    std::string userFile() const { return userFolder() + "/Tolvane.ini"; }

  private:
    settingsfiles::TempFolder temp_;
    EnvVar xdg_;
    EnvVar home_;
};

} // namespace settingsplaces
