// CString's Find, Mid, Left, Right and Replace with arbitrary arguments,
// negative and huge ones included, each checked against a model written on
// std::string. The input is a script of operations on one string.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/afx_string.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_at >= m_size; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }

    // Mostly positions near either end of the string, where the edge cases
    // are, and now and then any int at all.
    int Int(int length) {
        const uint8_t kind = Byte();
        if (kind & 0x80) {
            uint32_t raw = 0;
            for (int i = 0; i < 4; ++i)
                raw = raw << 8 | Byte();
            int value;
            std::memcpy(&value, &raw, sizeof value);
            return value;
        }
        if (kind & 0x40)
            return length + 4 - (kind & 0x3F);
        return (kind & 0x3F) - 4;
    }

    // A short text without NUL bytes, as a C string can hold.
    std::string Text() {
        const size_t length = Byte() % 8;
        std::string text;
        for (size_t i = 0; i < length; ++i)
            if (const uint8_t b = Byte())
                text += static_cast<char>(b);
        return text;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

int ModelFind(const std::string& s, char ch, int start) {
    const long long length = static_cast<long long>(s.size());
    for (long long i = start < 0 ? 0 : start; i < length; ++i)
        if (s[static_cast<size_t>(i)] == ch)
            return static_cast<int>(i);
    return -1;
}

int ModelFind(const std::string& s, const std::string& sub, int start) {
    const long long length = static_cast<long long>(s.size());
    const long long from = start < 0 ? 0 : start;
    for (long long i = from; i + static_cast<long long>(sub.size()) <= length; ++i)
        if (s.compare(static_cast<size_t>(i), sub.size(), sub) == 0)
            return static_cast<int>(i);
    return -1;
}

std::string ModelMid(const std::string& s, int first, long long count) {
    const long long length = static_cast<long long>(s.size());
    const long long from = first < 0 ? 0 : first;
    if (count < 0 || from >= length)
        return std::string();
    if (count > length - from)
        count = length - from;
    return s.substr(static_cast<size_t>(from), static_cast<size_t>(count));
}

std::string ModelRight(const std::string& s, int count) {
    if (count <= 0)
        return std::string();
    const size_t n = static_cast<size_t>(count);
    return n >= s.size() ? s : s.substr(s.size() - n);
}

int ModelReplace(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty())
        return 0;
    std::string out;
    int count = 0;
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
            ++count;
        } else {
            out += s[i++];
        }
    }
    s = out;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    std::string model = in.Text() + in.Text();
    CString s(model.c_str());
    // Replace can double the string each time; keep a script's work bounded.
    for (int step = 0; step < 64 && !in.Empty() && model.size() < 4096; ++step) {
        const int length = static_cast<int>(model.size());
        const uint8_t op = in.Byte();
        // Bit 3: the result of Mid, Left or Right becomes the string.
        const bool keep = op & 8;
        std::string cut;
        switch (op % 8) {
        case 0: {
            const char ch = static_cast<char>(in.Byte());
            const int start = in.Int(length);
            FUZZ_CHECK(s.Find(ch, start) == ModelFind(model, ch, start));
            break;
        }
        case 1: {
            const std::string sub = in.Text();
            const int start = in.Int(length);
            FUZZ_CHECK(s.Find(sub.c_str(), start) == ModelFind(model, sub, start));
            break;
        }
        case 2: {
            const int first = in.Int(length);
            const CString got = s.Mid(first);
            cut = ModelMid(model, first, length);
            FUZZ_CHECK(got == cut.c_str() && got.GetLength() == static_cast<int>(cut.size()));
            if (keep) {
                s = got;
                model = cut;
            }
            break;
        }
        case 3: {
            const int first = in.Int(length);
            const int count = in.Int(length);
            const CString got = s.Mid(first, count);
            cut = ModelMid(model, first, count);
            FUZZ_CHECK(got == cut.c_str() && got.GetLength() == static_cast<int>(cut.size()));
            if (keep) {
                s = got;
                model = cut;
            }
            break;
        }
        case 4: {
            const int count = in.Int(length);
            const CString got = s.Left(count);
            cut = ModelMid(model, 0, count);
            FUZZ_CHECK(got == cut.c_str() && got.GetLength() == static_cast<int>(cut.size()));
            if (keep) {
                s = got;
                model = cut;
            }
            break;
        }
        case 5: {
            const int count = in.Int(length);
            const CString got = s.Right(count);
            cut = ModelRight(model, count);
            FUZZ_CHECK(got == cut.c_str() && got.GetLength() == static_cast<int>(cut.size()));
            if (keep) {
                s = got;
                model = cut;
            }
            break;
        }
        case 6: {
            const std::string from = in.Text();
            const std::string to = in.Text();
            FUZZ_CHECK(s.Replace(from.c_str(), to.c_str()) == ModelReplace(model, from, to));
            break;
        }
        default: {
            const std::string more = in.Text();
            s += more.c_str();
            model += more;
            break;
        }
        }
        FUZZ_CHECK(s == model.c_str() && s.GetLength() == static_cast<int>(model.size()));
    }
    return 0;
}
