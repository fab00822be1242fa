// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/recovery_file.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace kvelmor {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "@kvelmor-recovery=1\n";
constexpr std::string_view kSuffix = ".kvelmor-recovery";

bool isSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

std::string homeFolder() {
    if (isSet("HOME")) return std::getenv("HOME");
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/";
}

// A path on one header line: "%", CR and LF escaped.
std::string escapePath(std::string_view path) {
    std::string out;
    for (char c : path) {
        if (c == '%') out += "%25";
        else if (c == '\n') out += "%0A";
        else if (c == '\r') out += "%0D";
        else out += c;
    }
    return out;
}

std::optional<std::string> unescapePath(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const std::string_view code = text.substr(i + 1, 2);
        if (code == "25") out += '%';
        else if (code == "0A") out += '\n';
        else if (code == "0D") out += '\r';
        else return std::nullopt;
        i += 2;
    }
    return out;
}

std::string hexHash(std::string_view bytes) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(fnv1aHash(bytes)));
    return buf;
}

// A whole number of at most 18 digits (a time, a process id, a size).
std::optional<int64_t> readNumber(std::string_view s) {
    if (s.empty() || s.size() > 18) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Takes the header line "@name=value\n" from the front of `rest`.
std::optional<std::string_view> takeLine(std::string_view& rest, std::string_view name) {
    const size_t eol = rest.find('\n');
    if (eol == std::string_view::npos || !rest.starts_with(name) || rest.substr(name.size(), 1) != "=")
        return std::nullopt;
    std::string_view value = rest.substr(name.size() + 1, eol - name.size() - 1);
    rest.remove_prefix(eol + 1);
    return value;
}

bool runsElsewhere(pid_t pid) {
    return pid > 0 && pid != ::getpid() && (::kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

std::string recoveryFolder() {
    const fs::path base = isSet("XDG_STATE_HOME") ? fs::path(std::getenv("XDG_STATE_HOME"))
                                                  : fs::path(homeFolder()) / ".local" / "state";
    return (base / "Kvelmor" / "recovery").string();
}

RecoveryKey recoveryKey(std::string kind, const std::vector<std::string>& paths) {
    RecoveryKey key{std::move(kind), {}};
    for (const std::string& p : paths) {
        std::error_code ec;
        fs::path absolute = fs::absolute(p, ec);
        if (ec) absolute = p;
        fs::path canonical = fs::weakly_canonical(absolute, ec);
        key.files.push_back((ec ? absolute.lexically_normal() : canonical).string());
    }
    return key;
}

std::string recoveryPath(const RecoveryKey& key) {
    std::string files;
    for (const std::string& f : key.files) files += f + '\0';
    return (fs::path(recoveryFolder()) / (key.kind + "-" + hexHash(files) + std::string(kSuffix))).string();
}

std::string recoveryFileText(const RecoveryFile& file) {
    std::string out(kMagic);
    out += "@kind=" + file.key.kind + "\n";
    for (const std::string& f : file.key.files) out += "@file=" + escapePath(f) + "\n";
    out += "@kept=" + std::to_string(file.keptAt) + "\n";
    out += "@pid=" + std::to_string(file.writer) + "\n";
    out += "@body=" + std::to_string(file.body.size()) + "\n";
    out += file.body;
    out += "@end=" + hexHash(out) + "\n";
    return out;
}

RecoveryRead parseRecoveryText(std::string_view bytes) {
    RecoveryRead r;
    r.state = RecoveryState::Cut;
    auto fail = [&](std::string why) {
        r.problem = std::move(why);
        r.file = {};
        return r;
    };
    if (!bytes.starts_with(kMagic)) return fail("it is not a recovery file of this program");
    // The end line first: a file cut anywhere lacks it or fails its hash.
    const size_t endAt = bytes.rfind("@end=");
    if (endAt == std::string_view::npos || bytes.substr(endAt) != "@end=" + hexHash(bytes.substr(0, endAt)) + "\n")
        return fail("it is cut short (its end line is missing or does not match what comes before it)");
    std::string_view rest = bytes.substr(kMagic.size(), endAt - kMagic.size());
    const auto kind = takeLine(rest, "@kind");
    if (!kind || kind->empty()) return fail("its header is damaged");
    r.file.key.kind = std::string(*kind);
    while (rest.starts_with("@file=")) {
        const auto line = takeLine(rest, "@file");
        const auto path = line ? unescapePath(*line) : std::nullopt;
        if (!path) return fail("its header is damaged");
        r.file.key.files.push_back(*path);
    }
    const auto kept = takeLine(rest, "@kept");
    const auto pid = takeLine(rest, "@pid");
    const auto size = takeLine(rest, "@body");
    const auto keptAt = kept ? readNumber(*kept) : std::nullopt;
    const auto writer = pid ? readNumber(*pid) : std::nullopt;
    const auto bodySize = size ? readNumber(*size) : std::nullopt;
    if (!keptAt || !writer || *writer > INT32_MAX || !bodySize || static_cast<uint64_t>(*bodySize) != rest.size())
        return fail("its header is damaged");
    r.file.keptAt = *keptAt;
    r.file.writer = static_cast<pid_t>(*writer);
    r.file.body = std::string(rest);
    r.state = RecoveryState::Whole;
    return r;
}

FileResult keepRecoveryFile(const RecoveryKey& key, std::string_view body) {
    std::error_code ec;
    fs::create_directories(recoveryFolder(), ec);
    if (ec) return {false, ec.message()};
    RecoveryFile file{key, static_cast<int64_t>(std::time(nullptr)), ::getpid(), std::string(body)};
    return writeFileAtomically(recoveryPath(key), recoveryFileText(file));
}

RecoveryRead readRecoveryFileAt(const std::string& path) {
    std::string bytes;
    RecoveryRead r;
    if (FileResult read = readFileBytes(path, bytes, kMaxTextFileBytes * 2); !read.ok) {
        std::error_code ec;
        if (fs::exists(path, ec)) {
            r.state = RecoveryState::Cut;
            r.problem = read.error;
        }
    } else {
        r = parseRecoveryText(bytes);
    }
    r.path = path;
    return r;
}

RecoveryRead readRecoveryFile(const RecoveryKey& key) {
    RecoveryRead r = readRecoveryFileAt(recoveryPath(key));
    if (r.state == RecoveryState::Whole && !(r.file.key == key)) return {RecoveryState::Missing, {}, r.path, {}};
    return r;
}

void removeRecoveryFile(const RecoveryKey& key) {
    std::error_code ec;
    fs::remove(recoveryPath(key), ec);
}

std::string setRecoveryFileAside(const std::string& path) {
    const std::string aside = path + ".cut";
    return ::rename(path.c_str(), aside.c_str()) == 0 ? aside : path;
}

std::vector<RecoveryRead> recoveryFilesOf(std::string_view kind) {
    std::vector<RecoveryRead> found;
    std::error_code ec;
    const std::string prefix = std::string(kind) + "-";
    for (const fs::directory_entry& e : fs::directory_iterator(recoveryFolder(), ec)) {
        const std::string name = e.path().filename().string();
        if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) continue;
        RecoveryRead r = readRecoveryFileAt(e.path().string());
        if (r.state == RecoveryState::Whole && (r.file.key.kind != kind || runsElsewhere(r.file.writer))) continue;
        found.push_back(std::move(r));
    }
    std::ranges::stable_sort(found, [](const RecoveryRead& a, const RecoveryRead& b) {
        const bool aWhole = a.state == RecoveryState::Whole, bWhole = b.state == RecoveryState::Whole;
        if (aWhole != bWhole) return aWhole;
        return aWhole && a.file.keptAt > b.file.keptAt;
    });
    return found;
}

}  // namespace kvelmor
