// GoogleTest cases run under Wine through CTest: static PCRE2 (16-bit,
// JIT), UTF-16 <-> UTF-8 conversion, the platform seen by the program,
// and a GoogleTest death test (child process) under Wine.
#include <windows.h>

#include <gtest/gtest.h>
#include <pcre2.h>

#include <cstdlib>
#include <string>

namespace {

std::string toUtf8(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

}  // namespace

TEST(Pcre2Jit, CompilesWithJitAndMatchesUtf16)
{
    const wchar_t pattern[] = L"^\\[(HKEY_[A-Z_]+)\\\\([^\\]]*)\\]$";
    const wchar_t subject[] = L"[HKEY_CURRENT_USER\\Software\\Каталог]";
    int err = 0;
    PCRE2_SIZE off = 0;
    pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                                   PCRE2_UTF, &err, &off, nullptr);
    ASSERT_NE(re, nullptr) << "error " << err << " at " << off;
    EXPECT_EQ(pcre2_jit_compile(re, PCRE2_JIT_COMPLETE), 0);
    size_t jitSize = 0;
    EXPECT_EQ(pcre2_pattern_info(re, PCRE2_INFO_JITSIZE, &jitSize), 0);
    EXPECT_GT(jitSize, 0u);
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(re, nullptr);
    ASSERT_EQ(pcre2_match(re, reinterpret_cast<PCRE2_SPTR>(subject), PCRE2_ZERO_TERMINATED, 0, 0,
                          md, nullptr),
              3);
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
    EXPECT_EQ(std::wstring(subject + ov[4], subject + ov[5]), L"Software\\Каталог");
    pcre2_match_data_free(md);
    pcre2_code_free(re);
}

TEST(Platform, WideStringsAreUtf16)
{
    EXPECT_EQ(sizeof(wchar_t), 2u);
    EXPECT_EQ(toUtf8(L"Каталог-контейнер ^_^v"),
              "\xD0\x9A\xD0\xB0\xD1\x82\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3-"
              "\xD0\xBA\xD0\xBE\xD0\xBD\xD1\x82\xD0\xB5\xD0\xB9\xD0\xBD\xD0\xB5\xD1\x80 ^_^v");
}

TEST(Platform, PointerSizeMatchesTarget)
{
#if defined(_WIN64)
    EXPECT_EQ(sizeof(void*), 8u);
#else
    EXPECT_EQ(sizeof(void*), 4u);
#endif
}

TEST(GTestUnderWine, DeathTestRunsChildProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(42), ::testing::ExitedWithCode(42), "");
}
