// SPDX-License-Identifier: GPL-3.0-or-later
// English words split into the beats they are sung on.

#include "timing/hyphenation.h"

#include <gtest/gtest.h>

#include <string>

using namespace kvelmor::timing;

namespace {

// The word split as the timing window splits it: where the hyphenation
// patterns allow, where the word is sung.
std::string sungSplit(const Hyphenator& h, const std::string& word) {
    const std::u32string w(word.begin(), word.end());
    std::string out;
    for (const std::u32string& s : splitWhereSung(w, hyphenPointsOf(h.parts(w))))
        out += (out.empty() ? "" : "|") + std::string(s.begin(), s.end());
    return out;
}

}  // namespace

// Common song words, each split checked by hand against a dictionary's
// syllables: the same number of beats, and the cut where the dictionary puts
// it, except that one consonant between two vowels starts the beat it is
// sung on (ne|ver where print has nev-er). Vowels sung apart (ra|di|o,
// qui|et, go|ing), clusters that start a syllable (a|fraid, hun|dred), a w or
// y gliding into the vowel before it (pow|er, play|er) and "-ly" (deep|ly)
// are among them, and so are the words spelling misleads (ev|ery|thing).
TEST(SungSyllables, CommonSongWords) {
    static const Hyphenator hyphenator(Hyphenator::defaultDictionary());
    ASSERT_TRUE(hyphenator.ok()) << "hyphen-en-us is needed for these tests";
    struct Case {
        const char* word;
        const char* sung;
    };
    const Case cases[] = {
        {"love", "love"}, {"heart", "heart"}, {"baby", "ba|by"}, {"tonight", "to|night"}, {"forever", "for|ev|er"},
        {"together", "to|ge|ther"}, {"never", "ne|ver"}, {"only", "on|ly"}, {"happy", "hap|py"},
        {"heaven", "hea|ven"}, {"money", "mo|ney"}, {"sorry", "sor|ry"}, {"again", "a|gain"}, {"away", "a|way"},
        {"afraid", "a|fraid"}, {"radio", "ra|di|o"}, {"neon", "ne|on"}, {"quiet", "qui|et"}, {"lion", "li|on"},
        {"poem", "po|em"}, {"idea", "i|de|a"}, {"going", "go|ing"}, {"doing", "do|ing"}, {"being", "be|ing"},
        {"seeing", "see|ing"}, {"playing", "play|ing"}, {"saying", "say|ing"}, {"trying", "try|ing"},
        {"flying", "fly|ing"}, {"crying", "cry|ing"}, {"dying", "dy|ing"}, {"buying", "buy|ing"},
        {"knowing", "know|ing"}, {"showing", "show|ing"}, {"following", "fol|low|ing"}, {"power", "pow|er"},
        {"flower", "flow|er"}, {"tower", "tow|er"}, {"however", "how|ev|er"}, {"player", "play|er"},
        {"prayer", "pray|er"}, {"beyond", "be|yond"}, {"program", "pro|gram"}, {"secret", "se|cret"},
        {"April", "A|pril"}, {"agree", "a|gree"}, {"across", "a|cross"}, {"hundred", "hun|dred"},
        {"children", "chil|dren"}, {"country", "coun|try"}, {"control", "con|trol"}, {"electric", "e|lec|tric"},
        {"angry", "an|gry"}, {"hungry", "hun|gry"}, {"English", "Eng|lish"}, {"instrument", "in|stru|ment"},
        {"destroy", "de|stroy"}, {"sister", "sis|ter"}, {"mister", "mis|ter"}, {"master", "mas|ter"},
        {"monster", "mon|ster"}, {"little", "lit|tle"}, {"simple", "sim|ple"}, {"table", "ta|ble"},
        {"gentle", "gen|tle"}, {"people", "peo|ple"}, {"yellow", "yel|low"}, {"summer", "sum|mer"},
        {"winter", "win|ter"}, {"river", "ri|ver"}, {"over", "o|ver"}, {"under", "un|der"}, {"after", "af|ter"},
        {"water", "wa|ter"}, {"mother", "mo|ther"}, {"father", "fa|ther"}, {"brother", "bro|ther"},
        {"rocket", "rock|et"}, {"singer", "sing|er"}, {"kissing", "kiss|ing"}, {"dancing", "danc|ing"},
        {"lonely", "lone|ly"}, {"lovely", "love|ly"}, {"deeply", "deep|ly"}, {"softly", "soft|ly"},
        {"kindly", "kind|ly"}, {"sadly", "sad|ly"}, {"really", "re|al|ly"}, {"simply", "sim|ply"},
        {"butterfly", "but|ter|fly"}, {"helpless", "help|less"}, {"darkness", "dark|ness"}, {"hopeful", "hope|ful"},
        {"wonderful", "won|der|ful"}, {"beautiful", "beau|ti|ful"}, {"moment", "mo|ment"}, {"memory", "mem|o|ry"},
        {"family", "fam|i|ly"}, {"history", "his|to|ry"}, {"everything", "ev|ery|thing"},
        {"everybody", "ev|ery|bo|dy"}, {"somebody", "some|bo|dy"}, {"melody", "me|lo|dy"}, {"harmony", "har|mo|ny"},
        {"paradise", "par|a|dise"}, {"remember", "re|mem|ber"}, {"surrender", "sur|ren|der"}, {"desire", "de|sire"},
        {"fire", "fire"}, {"tired", "tired"}, {"believe", "be|lieve"}, {"receive", "re|ceive"}, {"reply", "re|ply"},
        {"reward", "re|ward"}, {"toward", "to|ward"}, {"beware", "be|ware"}, {"usual", "u|su|al"},
        {"actual", "ac|tu|al"}, {"situation", "sit|u|a|tion"}, {"nation", "na|tion"}, {"special", "spe|cial"},
        {"vision", "vi|sion"}, {"precious", "pre|cious"}, {"delicious", "de|li|cious"}, {"giant", "gi|ant"},
        {"violin", "vi|o|lin"}, {"piano", "pi|a|no"}, {"diamond", "di|a|mond"}, {"period", "pe|ri|od"},
        {"serious", "se|ri|ous"}, {"glorious", "glo|ri|ous"}, {"champion", "cham|pi|on"}, {"studio", "stu|di|o"},
        {"video", "vi|de|o"}, {"stereo", "ste|re|o"}, {"theory", "the|o|ry"}, {"client", "cli|ent"},
        {"audience", "au|di|ence"}, {"experience", "ex|pe|ri|ence"}, {"society", "so|ci|e|ty"},
        {"anxiety", "anx|i|e|ty"}, {"variety", "va|ri|e|ty"}, {"cruel", "cru|el"}, {"fuel", "fu|el"},
        {"fluent", "flu|ent"}, {"ruin", "ru|in"}, {"fruit", "fruit"}, {"suit", "suit"}, {"language", "lan|guage"},
        {"guitar", "gui|tar"}, {"guess", "guess"}, {"area", "a|re|a"}, {"chaos", "cha|os"}, {"create", "cre|ate"},
        {"royal", "roy|al"}, {"loyal", "loy|al"}, {"mayor", "may|or"}, {"yesterday", "yes|ter|day"},
        {"morning", "morn|ing"}, {"evening", "eve|ning"}, {"feeling", "feel|ing"}, {"waiting", "wait|ing"},
        {"shining", "shin|ing"}, {"dreaming", "dream|ing"}, {"breathing", "breath|ing"}, {"falling", "fall|ing"},
        {"calling", "call|ing"}, {"running", "run|ning"}, {"sunshine", "sun|shine"}, {"rainbow", "rain|bow"},
        {"darling", "dar|ling"}, {"lady", "la|dy"}, {"party", "par|ty"}, {"city", "ci|ty"}, {"pretty", "pret|ty"},
        {"honey", "ho|ney"}, {"crazy", "cra|zy"}, {"maybe", "may|be"}, {"nobody", "no|bo|dy"},
        {"universe", "u|ni|verse"}, {"alive", "a|live"}, {"inside", "in|side"}, {"outside", "out|side"},
        {"tomorrow", "to|mor|row"}, {"sorrow", "sor|row"}, {"shadow", "sha|dow"}, {"window", "win|dow"},
        {"hello", "hel|lo"}, {"goodbye", "good|bye"}, {"promise", "prom|ise"}, {"silence", "si|lence"},
    };
    EXPECT_GE(std::size(cases), 150u);
    for (const Case& c : cases) EXPECT_EQ(sungSplit(hyphenator, c.word), c.sung);
    // The case of the letters is kept; a word the rules cannot read is cut at the dictionary's points only.
    EXPECT_EQ(sungSplit(hyphenator, "Everything"), "Ev|ery|thing");
    EXPECT_EQ(splitWhereSung(U"rock-and", {5}), (std::vector<std::u32string>{U"rock-", U"and"}));
}
