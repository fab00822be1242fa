// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/batch.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "app/session.h"
#include "script/script_header.h"

namespace kvelmor::app {
namespace fs = std::filesystem;

namespace {

// Passes every report on to the session's reporter and keeps a copy for the
// file being handled, so the batch can say why a file was skipped.
class FileReportTap final : public Reporter {
public:
    FileReportTap(Reporter& next, std::function<void()> before) : m_next(next), m_before(std::move(before)) {}

    void report(const Report& r) override {
        if (m_before) m_before();
        m_reports.push_back(r);
        m_next.report(r);
    }
    std::vector<Report> take() { return std::exchange(m_reports, {}); }

private:
    Reporter& m_next;
    std::function<void()> m_before;
    std::vector<Report> m_reports;
};

struct Entry {
    std::string name;
    bool special = false;  // a pipe, socket or device: never opened
};

// The entries of `folder` that take part, in byte order of their names; false
// (with the reason reported) when the folder cannot be listed.
bool listFolder(const std::string& folder, std::vector<Entry>& entries, Reporter& reporter) {
    std::error_code ec;
    fs::file_status st = fs::status(folder, ec);
    if (!fs::exists(st)) {
        reporter.error("the folder does not exist", folder);
        return false;
    }
    if (!fs::is_directory(st)) {
        reporter.error("not a folder", folder);
        return false;
    }
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!isBatchFileName(name)) continue;
        std::error_code sec;
        fs::file_status fst = it->status(sec);  // through links
        if (fs::is_directory(fst)) continue;    // folders are not entered, whatever their name
        // A broken link or an entry whose type cannot be learnt is left to the
        // reader, which reports why it cannot be read.
        entries.push_back({std::move(name), fs::exists(fst) && !fs::is_regular_file(fst)});
    }
    if (ec) {
        reporter.error("cannot list the folder: " + ec.message(), folder);
        return false;
    }
    // std::string compares as unsigned bytes: the same order on every run and system.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

std::string firstError(const std::vector<Report>& reports) {
    for (const auto& r : reports)
        if (r.severity == Severity::Error) return r.text;
    return {};
}

// Puts a tap in front of the session's reporter for as long as it lives.
class TapScope {
public:
    TapScope(Session& session, FileReportTap& tap) : m_session(session), m_previous(session.swapReporter(tap)) {}
    ~TapScope() { m_session.swapReporter(m_previous); }
    TapScope(const TapScope&) = delete;
    TapScope& operator=(const TapScope&) = delete;

private:
    Session& m_session;
    Reporter& m_previous;
};

}  // namespace

const std::vector<int>& batchStages() {
    static const std::vector<int> stages{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    return stages;
}

bool isBatchFileName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return ext == ".txt";
}

bool BatchFileResult::hasReports() const {
    return std::any_of(reports.begin(), reports.end(), [](const Report& r) { return r.severity != Severity::Info; });
}

int BatchResult::convertedCount() const {
    return static_cast<int>(std::count_if(files.begin(), files.end(), [](const auto& f) { return f.converted; }));
}

int BatchResult::skippedCount() const { return static_cast<int>(files.size()) - convertedCount(); }

BatchResult runBatch(Session& session, const std::string& folder, const BatchProgress& progress) {
    BatchResult result;
    result.folder = folder;
    std::vector<Entry> entries;
    if (!listFolder(folder, entries, session.reporter())) {
        result.status = BatchStatus::FolderError;
        return result;
    }
    if (entries.empty()) {
        session.reporter().warning("no .txt files in this folder; nothing was converted", folder);
        return result;
    }

    // Each file's reports are kept to say why a file was skipped.
    FileReportTap tap(session.reporter(), progress.reporting);
    TapScope scope(session, tap);

    std::set<std::string> scriptsWritten;
    const int total = static_cast<int>(entries.size());

    for (int i = 0; i < total; ++i) {
        if (progress.cancelled && progress.cancelled()) {
            result.cancelled = true;
            break;
        }
        BatchFileResult file;
        file.path = (fs::path(folder) / entries[static_cast<size_t>(i)].name).string();
        if (progress.starting) progress.starting(i, total, file.path);

        const std::string scriptPath = script::scriptPathFor(file.path);
        if (entries[static_cast<size_t>(i)].special) {
            tap.error("not a regular file, so it was not read", file.path);
        } else if (scriptsWritten.count(scriptPath) != 0) {
            // "a.TXT" and "a.txt" share "a.ass": the second would overwrite the first.
            tap.error("its script " + scriptPath + " was already written from another file of this folder", file.path);
        } else {
            // A file's "@timeratio=" line holds for that file alone: it is the
            // song's, and the settings are never changed by a read.
            if (session.readLyrics(file.path)) {
                file.songInfo = session.song.songInfo;
                session.runStages(batchStages());
                if (session.writeScript()) {
                    file.converted = true;
                    file.scriptPath = session.defaultScriptPath();
                    scriptsWritten.insert(file.scriptPath);
                }
            }
        }

        file.reports = tap.take();
        if (!file.converted) {
            // Every way to fail reports an error; the fallback only guards the summary.
            file.reason = firstError(file.reports);
            if (file.reason.empty()) file.reason = "could not be converted";
        }
        result.files.push_back(std::move(file));
        if (progress.finished) progress.finished(result.files.back(), i + 1, total);
    }

    return result;
}

}  // namespace kvelmor::app
