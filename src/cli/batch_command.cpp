// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "app/batch.h"
#include "cli/options.h"

namespace kvelmor::cli {
namespace {

// The longest start of `s` (whole characters) that fits in `width` columns, with "…" when cut.
std::string fitWidth(const std::string& s, size_t width) {
    if (displayWidth(s) <= width) return s;
    if (width < 1) return {};
    std::string out;
    size_t w = 0;
    for (size_t i = 0; i < s.size();) {
        size_t len = 1;
        auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0xF0) len = 4;
        else if (c >= 0xE0) len = 3;
        else if (c >= 0xC0) len = 2;
        size_t cw = c < 0x80 ? 1 : 2;
        if (w + cw > width - 1) break;
        out.append(s, i, len);
        w += cw;
        i += len;
    }
    return out + "…";
}

// Files done of total and the current file's name on one line of stderr,
// redrawn in place; cleared before any message is printed below it.
class ProgressBar {
public:
    void draw(int done, int total, const std::string& path) {
        constexpr int kBarWidth = 24;
        int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
        std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                           std::string(static_cast<size_t>(kBarWidth - filled), ' ') + "] " + std::to_string(done) +
                           "/" + std::to_string(total) + " ";
        std::string name = std::filesystem::path(path).filename().string();
        size_t room = columns() > displayWidth(line) + 1 ? columns() - displayWidth(line) - 1 : 0;
        std::cerr << "\r\033[K" << line << fitWidth(name, room) << std::flush;
        m_shown = true;
    }
    void clear() {
        if (!m_shown) return;
        std::cerr << "\r\033[K" << std::flush;
        m_shown = false;
    }

private:
    static size_t columns() {
        winsize ws{};
        if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
        return 80;
    }
    bool m_shown = false;
};

std::string plural(int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

}  // namespace

int batchCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"batch takes one FOLDER"};
    if (!o.output.empty()) throw UsageError{"batch writes each script beside its lyrics file; -o does not apply"};
    if (o.kra) throw UsageError{"batch writes scripts only; --kra does not apply"};
    Converter c;
    if (!prepare(c, o)) return 2;
    const int before = c.reporter.count;

    app::BatchProgress progress;
    ProgressBar bar;
    if (isatty(STDERR_FILENO)) {
        progress.starting = [&](int index, int total, const std::string& path) { bar.draw(index, total, path); };
        progress.reporting = [&] { bar.clear(); };
        progress.finished = [&](const app::BatchFileResult& f, int done, int total) { bar.draw(done, total, f.path); };
    } else {
        progress.finished = [](const app::BatchFileResult& f, int done, int total) {
            std::cerr << "[" << done << "/" << total << "] ";
            if (f.converted) std::cerr << "wrote " << f.scriptPath << "\n";
            else std::cerr << "skipped " << f.path << ": " << f.reason << "\n";
        };
    }

    app::BatchResult r = app::runBatch(c.session, o.positional[0], progress);
    bar.clear();
    if (r.status == app::BatchStatus::FolderError) return 2;

    int withReports = 0;
    for (const auto& f : r.files)
        if (f.converted && f.hasReports()) ++withReports;
    std::cout << "converted " << r.convertedCount() << " of " << plural(static_cast<int>(r.files.size()), "file");
    if (withReports > 0) std::cout << " (" << withReports << " with reports)";
    std::cout << "\n";
    if (r.skippedCount() > 0) {
        std::cout << "skipped " << r.skippedCount() << ":\n";
        for (const auto& f : r.files)
            if (!f.converted) std::cout << "  " << f.path << ": " << f.reason << "\n";
    }
    if (r.skippedCount() > 0) return 2;
    return c.reporter.count > before ? 1 : 0;
}

}  // namespace kvelmor::cli
