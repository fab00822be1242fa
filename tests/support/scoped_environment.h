// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An environment variable or the current folder set for one test and put
// back afterwards: recovery files go to a state folder of the test's own,
// never to the user's nor to another test's.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kvelmor::test_support {

class ScopedVariable {
public:
    // `value` none: the variable is unset.
    ScopedVariable(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) m_old = old;
        if (value) ::setenv(m_name.c_str(), value->c_str(), 1);
        else ::unsetenv(m_name.c_str());
    }
    ~ScopedVariable() {
        if (m_old) ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else ::unsetenv(m_name.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// $XDG_STATE_HOME set to `dir` (made, and removed afterwards).
class ScopedStateFolder {
public:
    explicit ScopedStateFolder(std::filesystem::path folder)
        : dir(std::move(folder)), m_variable("XDG_STATE_HOME", dir.string()) {
        std::filesystem::create_directories(dir);
    }
    ~ScopedStateFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;

private:
    ScopedVariable m_variable;
};

class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::filesystem::path& dir) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCurrentFolder() {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
    }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    std::filesystem::path m_old;
};

}  // namespace kvelmor::test_support
