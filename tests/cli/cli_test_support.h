// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kvelmor program run as users run it, for the command line tests: a
// folder of its own per test, the settings file in it, stdout captured.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/file_io.h"

namespace kvelmor::test {

namespace fs = std::filesystem;

struct CliRun {
    int code = -1;
    std::string out;
};

struct CliTest : ::testing::Test {
    fs::path dir;
    std::string settings;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_cli_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        settings = (dir / "Kvelmor.ini").string();
    }
    // Runs kvelmor with the arguments (shell-quoted by the caller); stdout is
    // captured, stderr kept for stderrText(). `shellPrefix` runs before it in
    // the same shell (limits, traps) and should end in "exec "; `binary` is
    // the program run.
    CliRun kvelmor(const std::string& args, const std::string& shellPrefix = {},
                   const std::string& binary = KVELMOR_BINARY) {
        std::string cmd = shellPrefix + binary + " " + args + " 2>" + (dir / "stderr.txt").string();
        CliRun r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    std::string stderrText() {
        std::string s;
        kvelmor::readFileBytes((dir / "stderr.txt").string(), s);
        return s;
    }
    fs::path copyExample() {
        fs::path song = dir / "song.txt";
        fs::copy_file(fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt", song);
        return song;
    }
};

}  // namespace kvelmor::test
