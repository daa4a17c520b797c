// Checks that the cross-built static PCRE2 (16-bit, JIT) works under Wine.
// Prints "jit_compile=<rc>" and "match=<start>,<end>" (UTF-16 offsets) and
// exits 0 if compile, JIT compile and the match all succeeded.
// Build with -DPCRE2_STATIC -DPCRE2_CODE_UNIT_WIDTH=16 ... -lpcre2-16
#include <pcre2.h>

#include <cstdio>

int wmain()
{
    // A registry-key-like line with Cyrillic text.
    const char16_t pattern[] = u"^\\[(HKEY_[A-Z_]+)\\\\([^\\]]*)\\]$";
    const char16_t subject[] = u"[HKEY_CURRENT_USER\\Software\\Каталог]";
    int err = 0;
    PCRE2_SIZE erroff = 0;
    pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                                   PCRE2_UTF, &err, &erroff, nullptr);
    if (!re) {
        std::printf("compile_error=%d at %u\n", err, static_cast<unsigned>(erroff));
        return 1;
    }
    int jit = pcre2_jit_compile(re, PCRE2_JIT_COMPLETE);
    std::printf("jit_compile=%d\n", jit);
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(re, nullptr);
    int rc = pcre2_match(re, reinterpret_cast<PCRE2_SPTR>(subject), PCRE2_ZERO_TERMINATED, 0, 0,
                         md, nullptr);
    int result = 1;
    if (rc == 3) {
        PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
        std::printf("match=%u,%u group1=%u,%u group2=%u,%u\n", static_cast<unsigned>(ov[0]),
                    static_cast<unsigned>(ov[1]), static_cast<unsigned>(ov[2]),
                    static_cast<unsigned>(ov[3]), static_cast<unsigned>(ov[4]),
                    static_cast<unsigned>(ov[5]));
        result = jit == 0 ? 0 : 1;
    } else {
        std::printf("match_rc=%d\n", rc);
    }
    pcre2_match_data_free(md);
    pcre2_code_free(re);
    return result;
}
