// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Taking settings out of a fuzzer's input: the harnesses read their choices
// from the first bytes and hand the rest on as file content. Past the end of
// the input every byte reads as 0, so short inputs are still whole cases.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvelmor::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int16_t int16() {
        const auto hi = static_cast<uint16_t>(byte());
        return static_cast<int16_t>(static_cast<uint16_t>(hi << 8 | byte()));
    }
    bool bit(uint8_t b, int n) const { return (b >> n) & 1; }

    // What is left after the bytes taken so far.
    std::string_view rest() const {
        if (m_pos >= m_size) return {};
        return {reinterpret_cast<const char*>(m_data) + m_pos, m_size - m_pos};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

}  // namespace kvelmor::fuzz
