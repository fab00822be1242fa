// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/analyzer.h"

#include <dlfcn.h>
#include <mecab.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "common/encoding.h"
#include "readings/kana.h"

namespace kvelmor::readings {
namespace {

// MeCab's C functions, taken from the library opened at run time. The
// declarations come from mecab.h; nothing links libmecab.
struct MecabApi {
    decltype(&mecab_new) create;
    decltype(&mecab_destroy) destroy;
    decltype(&mecab_strerror) strerror;
    decltype(&mecab_dictionary_info) dictionaryInfo;
    decltype(&mecab_parse_lattice) parseLattice;
    decltype(&mecab_lattice_new) latticeNew;
    decltype(&mecab_lattice_destroy) latticeDestroy;
    decltype(&mecab_lattice_clear) latticeClear;
    decltype(&mecab_lattice_set_sentence) latticeSetSentence;
    decltype(&mecab_lattice_set_request_type) latticeSetRequestType;
    decltype(&mecab_lattice_get_bos_node) latticeBosNode;
    decltype(&mecab_lattice_get_begin_nodes) latticeBeginNodes;
};

// The library, loaded once and never unloaded; nothing (with the reason)
// when it cannot be.
const MecabApi* mecabApi(std::string& failure) {
    static std::once_flag once;
    static MecabApi api;
    static bool loaded = false;
    static std::string why;
    std::call_once(once, [] {
        void* lib = dlopen("libmecab.so.2", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) {
            const char* error = dlerror();
            why = std::string("the MeCab library could not be loaded (") + (error ? error : "not found") +
                  "); install the packages " + kMecabPackages;
            return;
        }
        bool complete = true;
        auto take = [&](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(lib, name));
            complete = complete && slot != nullptr;
        };
        take(api.create, "mecab_new");
        take(api.destroy, "mecab_destroy");
        take(api.strerror, "mecab_strerror");
        take(api.dictionaryInfo, "mecab_dictionary_info");
        take(api.parseLattice, "mecab_parse_lattice");
        take(api.latticeNew, "mecab_lattice_new");
        take(api.latticeDestroy, "mecab_lattice_destroy");
        take(api.latticeClear, "mecab_lattice_clear");
        take(api.latticeSetSentence, "mecab_lattice_set_sentence");
        take(api.latticeSetRequestType, "mecab_lattice_set_request_type");
        take(api.latticeBosNode, "mecab_lattice_get_bos_node");
        take(api.latticeBeginNodes, "mecab_lattice_get_begin_nodes");
        if (!complete) {
            why = "the MeCab library libmecab.so.2 lacks functions of version 0.996; install the packages " +
                  std::string(kMecabPackages);
            return;
        }
        loaded = true;
    });
    if (!loaded) failure = why;
    return loaded ? &api : nullptr;
}

// The dictionary's fields: part of speech (4), conjugation (2), base form,
// reading, pronunciation.
std::vector<std::string_view> fields(const char* feature) {
    std::vector<std::string_view> out;
    std::string_view text(feature ? feature : "");
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            out.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

std::u32string readingOf(const std::vector<std::string_view>& f) {
    if (f.size() < 8 || f[7] == "*") return {};
    return toHiragana(toU32(f[7]));
}

bool isUtf8Charset(const char* charset) {
    std::string c(charset ? charset : "");
    for (char& ch : c) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return c == "utf-8" || c == "utf8";
}

}  // namespace

struct Analyzer::Handles {
    const MecabApi* api = nullptr;
    mecab_t* tagger = nullptr;
    mecab_lattice_t* lattice = nullptr;
    std::string sentence;  // the lattice reads it in place

    ~Handles() {
        if (lattice) api->latticeDestroy(lattice);
        if (tagger) api->destroy(tagger);
    }
};

Analyzer::Analyzer(std::unique_ptr<Handles> handles, std::string dictionary)
    : m_handles(std::move(handles)), m_dictionary(std::move(dictionary)) {}

Analyzer::~Analyzer() = default;

std::unique_ptr<Analyzer> Analyzer::open(std::string& failure) {
    const MecabApi* api = mecabApi(failure);
    if (api == nullptr) return nullptr;
    namespace fs = std::filesystem;
    std::vector<std::string> folders;
    bool forced = false;
    if (const char* dir = std::getenv("KVELMOR_MECAB_DICDIR"); dir != nullptr && *dir != '\0') {
        folders.push_back(dir);
        forced = true;
    } else {
        folders = {"/var/lib/mecab/dic/ipadic-utf8", "/usr/share/mecab/dic/ipadic-utf8"};
    }
    std::string tried;
    // Arguments as MeCab's command line takes them (a folder may hold spaces).
    auto attempt = [&](std::vector<std::string> args, const std::string& where) -> std::unique_ptr<Analyzer> {
        tried += (tried.empty() ? "" : ", ") + where;
        args.insert(args.begin(), "mecab");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        mecab_t* tagger = api->create(static_cast<int>(args.size()), argv.data());
        if (tagger == nullptr) return nullptr;
        auto handles = std::make_unique<Handles>();
        handles->api = api;
        handles->tagger = tagger;
        const mecab_dictionary_info_t* info = api->dictionaryInfo(tagger);
        if (info == nullptr || !isUtf8Charset(info->charset)) return nullptr;  // an EUC-JP dictionary
        handles->lattice = api->latticeNew();
        if (handles->lattice == nullptr) return nullptr;
        std::string name = info->filename ? fs::path(info->filename).parent_path().string() : where;
        return std::unique_ptr<Analyzer>(new Analyzer(std::move(handles), std::move(name)));
    };
    for (const std::string& dir : folders) {
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(dir) / "sys.dic", ec)) {
            tried += (tried.empty() ? "" : ", ") + dir;
            continue;
        }
        // No mecabrc is needed when the folder is given.
        if (auto a = attempt({"-r", "/dev/null", "-d", dir}, dir)) return a;
    }
    if (!forced)
        if (auto a = attempt({}, "the dictionary of MeCab's mecabrc")) return a;
    failure = "the IPA dictionary for MeCab in UTF-8 was not found (looked in " + tried + "); install the packages " +
              kMecabPackages;
    return nullptr;
}

std::vector<Morpheme> Analyzer::analyse(std::u32string_view line) {
    std::vector<Morpheme> words;
    Handles& h = *m_handles;
    h.sentence = toUtf8(line);
    // Character index of every byte offset, as MeCab's nodes point at bytes.
    std::vector<size_t> charAt(h.sentence.size() + 1, 0);
    for (size_t i = 0, n = 0; i < h.sentence.size(); ++n) {
        size_t len = 1;
        decodeUtf8At(h.sentence, i, len);
        for (size_t k = 0; k < len && i + k < h.sentence.size(); ++k) charAt[i + k] = n;
        i += len;
        charAt[i < charAt.size() ? i : charAt.size() - 1] = n + 1;
    }
    h.api->latticeClear(h.lattice);
    h.api->latticeSetRequestType(h.lattice, MECAB_ONE_BEST);
    h.api->latticeSetSentence(h.lattice, h.sentence.c_str());
    if (!h.api->parseLattice(h.tagger, h.lattice)) return words;
    for (const mecab_node_t* node = h.api->latticeBosNode(h.lattice); node != nullptr; node = node->next) {
        if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
        const size_t offset = static_cast<size_t>(node->surface - h.sentence.c_str());
        Morpheme m;
        m.begin = charAt[std::min(offset, charAt.size() - 1)];
        m.surface = toU32(std::string_view(node->surface, node->length));
        m.known = node->stat == MECAB_NOR_NODE;
        const std::vector<std::string_view> f = fields(node->feature);
        if (m.known) m.reading = readingOf(f);
        if (f.size() >= 2) m.partOfSpeech = std::string(f[0]) + "," + std::string(f[1]);
        if (f.size() >= 3) m.subclass = f[2];
        words.push_back(std::move(m));
    }
    return words;
}

const std::vector<std::u32string>& Analyzer::kanjiReadings(char32_t kanji) {
    auto found = m_kanjiReadings.find(kanji);
    if (found != m_kanjiReadings.end()) return found->second;
    std::vector<std::u32string>& list = m_kanjiReadings[kanji];
    Handles& h = *m_handles;
    h.sentence = toUtf8(kanji);
    h.api->latticeClear(h.lattice);
    h.api->latticeSetRequestType(h.lattice, MECAB_ALL_MORPHS);
    h.api->latticeSetSentence(h.lattice, h.sentence.c_str());
    if (h.api->parseLattice(h.tagger, h.lattice)) {
        for (const mecab_node_t* node = h.api->latticeBeginNodes(h.lattice, 0); node != nullptr; node = node->bnext) {
            if (node->stat != MECAB_NOR_NODE || node->length != h.sentence.size()) continue;
            std::u32string r = readingOf(fields(node->feature));
            if (!r.empty() && std::find(list.begin(), list.end(), r) == list.end()) list.push_back(std::move(r));
        }
    }
    h.api->latticeSetRequestType(h.lattice, MECAB_ONE_BEST);
    return list;
}

}  // namespace kvelmor::readings
