// CString's Find, Mid, Left, Right and Replace with arbitrary arguments,
// negative and huge ones included, each checked against a model written on
// std::string. The input is a script of operations on one string.
#include <algorithm>
#include <cstdint>
#include <string>

#include "framework/afx_string.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size, at = 0;

    uint8_t Byte() { return at < size ? data[at++] : 0; }
    // Mostly positions near either end of the string, now and then any int.
    int Int(int length) {
        const uint8_t kind = Byte();
        uint32_t raw = 0;
        for (int i = 0; kind & 0x80 && i < 4; ++i)
            raw = raw << 8 | Byte();
        return kind & 0x80   ? static_cast<int>(raw)
               : kind & 0x40 ? length + 4 - (kind & 0x3F)
                             : (kind & 0x3F) - 4;
    }
    // A short text without NUL bytes, as a C string can hold.
    std::string Text() {
        std::string text;
        for (int n = Byte() % 8; n > 0; --n)
            if (const uint8_t b = Byte())
                text += static_cast<char>(b);
        return text;
    }
};

int ModelFind(const std::string& s, const std::string& sub, int start) {
    const size_t at = s.find(sub, std::max(start, 0));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string ModelMid(const std::string& s, int first, int count) {
    const size_t from = std::max(first, 0);
    return count < 0 || from >= s.size() ? std::string() : s.substr(from, count);
}

int ModelReplace(std::string& s, const std::string& from, const std::string& to) {
    int count = 0;
    for (size_t at = from.empty() ? std::string::npos : s.find(from); at != std::string::npos;
         at = s.find(from, at + to.size()), ++count)
        s.replace(at, from.size(), to);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    std::string model = in.Text();
    model += in.Text();
    CString s(model.c_str());
    // Replace can double the string each time; keep a script's work bounded.
    for (int step = 0; step < 64 && in.at < size && model.size() < 4096; ++step) {
        const int length = static_cast<int>(model.size());
        const uint8_t op = in.Byte();
        if (op % 8 <= 1) { // Find(char) or Find(text)
            const std::string sub = op % 8 ? in.Text() : std::string(1, char(in.Byte()));
            const int start = in.Int(length);
            FUZZ_CHECK((op % 8 ? s.Find(sub.c_str(), start) : s.Find(sub[0], start)) ==
                       ModelFind(model, sub, start));
        } else if (op % 8 <= 5) { // Mid(first), Mid(first, count), Left, Right: all four
            const int a = in.Int(length), b = op % 8 == 3 ? in.Int(length) : length;
            const CString got[] = {s.Mid(a), s.Mid(a, b), s.Left(a), s.Right(a)};
            const std::string cut[] = {
                ModelMid(model, a, length), ModelMid(model, a, b), ModelMid(model, 0, a),
                ModelMid(model, length - std::min(std::max(a, 0), length), a)};
            for (int i = 0; i < 4; ++i)
                FUZZ_CHECK(got[i].str() == cut[i]);
            if (op & 8) // the op's cut becomes the string
                s = got[op % 8 - 2], model = cut[op % 8 - 2];
        } else if (op % 8 == 6) {
            const std::string from = in.Text(), to = in.Text();
            FUZZ_CHECK(s.Replace(from.c_str(), to.c_str()) == ModelReplace(model, from, to));
        } else {
            const std::string more = in.Text();
            s += more.c_str();
            model += more;
        }
        FUZZ_CHECK(s.str() == model);
    }
    return 0;
}
