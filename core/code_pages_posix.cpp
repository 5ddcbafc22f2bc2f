#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/code_pages.h"

// The native builds stand in for a Western European Windows system.
int sys_ansi_code_page() { return 1252; }

namespace {

// The code pages the client converts, by the names iconv knows them.
const char* iconv_name(int code_page) {
    struct Name {
        int code_page;
        const char* name;
    };
    static const Name names[] = {
        {65001, "UTF-8"},        {65000, "UTF-7"},        {20127, "ASCII"},        {1250, "WINDOWS-1250"}, {1251, "WINDOWS-1251"},
        {1252, "WINDOWS-1252"},  {1253, "WINDOWS-1253"},  {1254, "WINDOWS-1254"}, {1255, "WINDOWS-1255"},
        {1256, "WINDOWS-1256"},  {1257, "WINDOWS-1257"},  {1258, "WINDOWS-1258"}, {28591, "ISO-8859-1"},
        {28592, "ISO-8859-2"},   {28593, "ISO-8859-3"},   {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},
        {28596, "ISO-8859-6"},   {28597, "ISO-8859-7"},   {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},
        {28603, "ISO-8859-13"},  {28605, "ISO-8859-15"},  {20866, "KOI8-R"},      {21866, "KOI8-U"},
        {932, "CP932"},          {20932, "EUC-JP"},       {50220, "ISO-2022-JP"}, {936, "GBK"},
        {54936, "GB18030"},      {950, "BIG5"},           {949, "CP949"},
    };
    for (const Name& n : names)
        if (n.code_page == code_page) return n.name;
    return nullptr;
}

// Opening a converter reads its tables: a header of thousands of words in
// two charsets by turns spent most of its time there. Each thread keeps
// the converters it opened, a few at most, and resets one before each use.
class Converters {
public:
    Converters() = default;
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;
    ~Converters() {
        for (const Open& o : open_) iconv_close(o.cd);
    }
    iconv_t get(const char* from, const char* to) {
        for (const Open& o : open_) {
            if (std::strcmp(o.from, from) == 0 && std::strcmp(o.to, to) == 0) {
                iconv(o.cd, nullptr, nullptr, nullptr, nullptr);
                return o.cd;
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1)) open_.push_back({from, to, cd});
        return cd;
    }

private:
    struct Open {
        const char* from;
        const char* to;
        iconv_t cd;
    };
    std::vector<Open> open_;
};

bool convert(const char* from, const char* to, std::string_view in, char missing, std::string* out) {
    out->clear();
    if (!from || !to) return false;
    thread_local Converters converters;
    iconv_t cd = converters.get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char* source = const_cast<char*>(in.data());
    size_t left = in.size();
    char buffer[1024];
    bool ok = true;
    while (left > 0 && ok) {
        char* target = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &source, &left, &target, &room);
        out->append(buffer, static_cast<size_t>(target - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // A character the target lacks, or bytes the source does not
            // have: one stand-in for it, then on.
            if (!missing) {
                ok = false;
            } else {
                // From UTF-8 the whole character goes, not just its first byte.
                auto lead = static_cast<unsigned char>(*source);
                size_t skip = std::string_view(from) != "UTF-8" ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                if (skip > left) skip = left;
                out->push_back(missing);
                source += skip;
                left -= skip;
            }
        }
    }
    if (ok) {
        // A converter may hold the last character back, waiting for a
        // combining mark to follow it (windows-1255 and windows-1258 do):
        // the closing call gives it out.
        char* target = buffer;
        size_t room = sizeof buffer;
        if (iconv(cd, nullptr, nullptr, &target, &room) == static_cast<size_t>(-1)) ok = false;
        out->append(buffer, static_cast<size_t>(target - buffer));
    }
    if (!ok) out->clear();
    return ok;
}

}  // namespace

// A code page is installed here when iconv can convert it.
bool sys_valid_code_page(int code_page) { return iconv_name(code_page) != nullptr; }

bool sys_convert_to_utf8(int code_page, std::string_view bytes, std::string* utf8) {
    return convert(iconv_name(code_page), "UTF-8", bytes, '?', utf8);
}

bool sys_convert_from_utf8(int code_page, std::string_view utf8, char missing, std::string* bytes) {
    return convert("UTF-8", iconv_name(code_page), utf8, missing, bytes);
}
