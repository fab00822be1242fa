// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/expression.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "common/number_text.h"

namespace kvelmor::effects {

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }
bool fitsIn32(int64_t v) { return v >= kMin32 && v <= kMax32; }

// An operand as an exact decimal: sign, whole part and the digits after the
// point. Products and quotients are rounded from this exact value, so
// 0.5*5 is exactly 2.5 and rounds to 2, and no binary fraction creeps in.
struct Operand {
    bool negative = false;
    uint64_t whole = 0;
    std::string fraction;  // digits after the decimal point, no trailing zeros
};

// Whole numbers with more digits than this are far outside the 32-bit range.
constexpr int64_t kMaxWholeDigits = 10;
// A fraction that starts with more zeros than this is below 1e-40; any such
// fraction rounds the same way (it only matters that it is not zero), so it
// is kept as this many zeros and a 1, which bounds the work on absurd exponents.
constexpr int64_t kMaxLeadingFractionZeros = 40;

// The exact value of a number text (one that isNumeric accepts), or nothing
// when its whole part has too many digits to be of any use.
std::optional<Operand> parseOperand(std::string_view text) {
    size_t i = 0;
    size_t end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;

    Operand op;
    if (i < end && (text[i] == '+' || text[i] == '-')) op.negative = text[i++] == '-';
    std::string digits;  // every mantissa digit, the point left out
    int64_t pointPos = 0;  // digits before the point
    while (i < end && isDigit(text[i])) { digits += text[i++]; ++pointPos; }
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && isDigit(text[i])) digits += text[i++];
    }
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        int64_t exponent = 0;
        // Saturates long before int64 could overflow; any exponent this large
        // already puts the value out of range or below every rounding step.
        while (i < end && isDigit(text[i])) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        pointPos += expNegative ? -exponent : exponent;
    }

    const size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return Operand{};  // zero, whatever its sign
    const int64_t len = static_cast<int64_t>(digits.size());
    const int64_t nz = static_cast<int64_t>(firstNonZero);
    if (pointPos - nz > kMaxWholeDigits) return std::nullopt;

    for (int64_t k = nz; k < pointPos; ++k) op.whole = op.whole * 10 + (k < len ? digits[static_cast<size_t>(k)] - '0' : 0);
    if (pointPos < 0) {
        op.fraction = -pointPos > kMaxLeadingFractionZeros
                          ? std::string(static_cast<size_t>(kMaxLeadingFractionZeros + 1), '0') + "1"
                          : std::string(static_cast<size_t>(-pointPos), '0') + digits;
    } else if (pointPos < len) {
        op.fraction = digits.substr(static_cast<size_t>(pointPos));
    }
    const size_t lastNonZero = op.fraction.find_last_not_of('0');
    op.fraction.resize(lastNonZero == std::string::npos ? 0 : lastNonZero + 1);
    return op;
}

Operand fromWhole(int64_t v) {
    Operand op;
    op.negative = v < 0;
    op.whole = v < 0 ? static_cast<uint64_t>(-(v + 1)) + 1 : static_cast<uint64_t>(v);
    return op;
}

// Whether a magnitude of q and `fraction` (no trailing zeros) rounds up,
// halves going to the even neighbour.
bool roundsUp(uint64_t q, const std::string& fraction) {
    if (fraction.empty()) return false;
    if (fraction[0] != '5') return fraction[0] > '5';
    return fraction.size() > 1 || (q % 2) == 1;
}

std::optional<int64_t> signedResult(bool negative, uint64_t magnitude) {
    if (magnitude > static_cast<uint64_t>(kMax32) + 1) return std::nullopt;
    const int64_t v = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return fitsIn32(v) ? std::optional<int64_t>(v) : std::nullopt;
}

// integer(): the operand rounded half to even; nothing outside 32 bits.
std::optional<int64_t> toInteger(const Operand& op) {
    return signedResult(op.negative, op.whole + (roundsUp(op.whole, op.fraction) ? 1 : 0));
}

std::optional<int64_t> multiply(const Operand& left, uint64_t right) {
    // left.whole <= 2^31 and right < 2^31 (both checked by the caller), so
    // the product of the whole parts fits 64 bits.
    uint64_t carry = 0;
    std::string product = left.fraction;
    for (size_t k = product.size(); k-- > 0;) {
        const uint64_t v = static_cast<uint64_t>(product[k] - '0') * right + carry;
        product[k] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    const size_t lastNonZero = product.find_last_not_of('0');
    product.resize(lastNonZero == std::string::npos ? 0 : lastNonZero + 1);
    const uint64_t whole = left.whole * right + carry;
    return signedResult(left.negative, whole + (roundsUp(whole, product) ? 1 : 0));
}

std::optional<int64_t> divide(const Operand& left, uint64_t right) {
    if (right == 0) return std::nullopt;
    const uint64_t q = left.whole / right;
    const uint64_t r = left.whole % right;
    // Compare the rest (r + fraction) / right with one half: 2r + 2·fraction
    // against right. 2·fraction is c (its whole part, 0 or 1) plus a
    // fractional part that is zero only for the fractions 0 and .5.
    const uint64_t c = !left.fraction.empty() && left.fraction[0] >= '5' ? 1 : 0;
    const bool restAboveC = !left.fraction.empty() && left.fraction != "5";
    const uint64_t twice = 2 * r + c;
    bool up = false;
    if (twice > right) up = true;
    else if (twice == right) up = restAboveC || (q % 2) == 1;
    return signedResult(left.negative, q + (up ? 1 : 0));
}

std::optional<int64_t> apply(char op, const Operand& left, const Operand& right) {
    const auto a = toInteger(left);
    const auto b = toInteger(right);
    // An operand outside the 32-bit range is an overflow, for every operator.
    if (!a || !b) return std::nullopt;
    switch (op) {
    case '+': {
        const int64_t v = *a + *b;
        return fitsIn32(v) ? std::optional<int64_t>(v) : std::nullopt;
    }
    case '-': {
        const int64_t v = *a - *b;
        return fitsIn32(v) ? std::optional<int64_t>(v) : std::nullopt;
    }
    case '*': return multiply(left, right.whole);
    case '/': return divide(left, right.whole);
    default: return std::nullopt;
    }
}

struct Step {
    char op;
    std::string_view right;  // plain digits
};

enum class Outcome { Value, Unchanged, Empty, Fault };

struct Evaluation {
    Outcome outcome = Outcome::Unchanged;
    int64_t value = 0;
};

// The chain of operators is taken apart from the right end, then worked out
// from the left. This is the same calculation as the recursive definition
// (the left part of each operator is evaluated first) without recursion, so
// a template of many thousand operators cannot exhaust the stack.
Evaluation evaluate(std::string_view e) {
    std::vector<Step> steps;  // the last operator first
    std::string_view rest = e;
    // Operator characters still in `rest`; a number holds at most two (a sign
    // and an exponent sign), so the numeric test is skipped while there are
    // more and the whole walk stays linear in the length of the text.
    size_t operators = 0;
    for (char ch : e) operators += isOperator(ch) ? 1 : 0;

    while (true) {
        // The whole expression is always taken apart once ("-5" is "" - "5");
        // every left part that already reads as a number is the leftmost operand.
        if (!steps.empty() && operators <= 2 && isNumeric(rest)) break;
        size_t pos = rest.size();
        while (pos > 0 && isDigit(rest[pos - 1])) --pos;
        const bool split = pos > 0 && isOperator(rest[pos - 1]) && pos < rest.size();
        if (!split) return {steps.empty() ? Outcome::Unchanged : Outcome::Empty, 0};
        steps.push_back({rest[pos - 1], rest.substr(pos)});
        rest = rest.substr(0, pos - 1);
        --operators;
    }

    auto left = parseOperand(rest);
    if (!left) return {Outcome::Fault, 0};
    int64_t value = 0;
    for (size_t k = steps.size(); k-- > 0;) {
        const auto right = parseOperand(steps[k].right);
        if (!right) return {Outcome::Fault, 0};
        const auto result = apply(steps[k].op, *left, *right);
        if (!result) return {Outcome::Fault, 0};
        value = *result;
        left = fromWhole(value);
    }
    return {Outcome::Value, value};
}

}  // namespace

std::string evaluateExpression(std::string_view expression) {
    const Evaluation ev = evaluate(expression);
    switch (ev.outcome) {
    case Outcome::Value: return std::to_string(ev.value);
    case Outcome::Empty: return {};
    case Outcome::Unchanged:
    case Outcome::Fault: break;
    }
    return std::string(expression);
}

std::string expandBrackets(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t open = text.find('[', pos);
        const size_t close = open == std::string_view::npos ? open : text.find(']', open);
        if (close == std::string_view::npos) {
            out += text.substr(pos);
            return out;
        }
        out += text.substr(pos, open - pos);
        out += evaluateExpression(text.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
}

}  // namespace kvelmor::effects
