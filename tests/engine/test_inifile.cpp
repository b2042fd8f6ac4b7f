// The ini file class: lookups by the Windows profile rules, number texts, and
// edits that keep every other byte of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "engine/IniFile.h"

namespace {

using namespace settingsfiles;

IniFile iniWith(const TempFolder& dir, const std::string& bytes)
{
    const std::string path = dir.file("Tolvane.ini");
    writeBytes(path, bytes);
    return IniFile(path);
}

struct LookupCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(IniFileRead, LookupFollowsProfileRules)
{
    const std::vector<LookupCase> cases = {
        {"plain", "[Machine]\nVitesse maxi=50\n", "Machine", "Vitesse maxi", "50"},
        {"section and key ignore case", "[MACHINE]\nvitesse MAXI=50\n", "machine", "Vitesse maxi",
         "50"},
        {"blanks around key and value", "[Machine]\n  Pas de vis X  =  5.5  \n", "Machine",
         "Pas de vis X", "5.5"},
        {"blanks inside the header", "[ Machine ]\nA=1\n", "Machine", "A", "1"},
        {"tabs are blanks", "[M]\n\tA\t=\t7\t\n", "M", "A", "7"},
        {"value keeps inner blanks and '='", "[Applications]\nEditeur=c:\\a b\\x.exe -o=1\n",
         "Applications", "Editeur", "c:\\a b\\x.exe -o=1"},
        {"empty value is present", "[GB]\n28=\n", "GB", "28", ""},
        {"CR LF lines", "[Machine]\r\nA=1\r\nB=2\r\n", "Machine", "B", "2"},
        {"lone CR lines", "[Machine]\rA=1\rB=2\r", "Machine", "B", "2"},
        {"no final line break", "[Machine]\nA=1", "Machine", "A", "1"},
        {"first of two keys wins", "[M]\nA=1\nA=2\n", "M", "A", "1"},
        {"first of two sections wins", "[M]\nB=1\n[M]\nA=2\n", "M", "A", std::nullopt},
        {"key of another section", "[M]\nA=1\n[N]\nB=2\n", "M", "B", std::nullopt},
        {"missing section", "[M]\nA=1\n", "X", "A", std::nullopt},
        {"prefix of a key is not the key", "[M]\nPas de vis X=3\n", "M", "Pas de vis",
         std::nullopt},
        {"line without '=' is no key", "[M]\nA\nA=5\n", "M", "A", "5"},
        {"unclosed bracket is no header", "[M]\n[oops\nA=1\n", "M", "A", "1"},
        {"header name runs to the last ']'", "[A]B]\nk=1\n", "A]B", "k", "1"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF[M]\nA=1\n", "M", "A", "1"},
        {"Windows-1252 bytes returned as they are", "[FR]\n33=Aper\xE7u\n", "FR", "33",
         "Aper\xE7u"},
        {"NUL bytes elsewhere", std::string("[X]\n\0\0=\0\n[M]\nA=1\n", 17), "M", "A", "1"},
        {"About text is not a key section of its own", "[AboutFR]\nSome text\n[M]\nA=1\n", "M", "A",
         "1"},
        {"empty file", "", "M", "A", std::nullopt},
    };
    TempFolder dir;
    for (const LookupCase& c : cases) {
        const IniFile ini = iniWith(dir, c.content);
        EXPECT_EQ(ini.value(c.section, c.key), c.expected) << c.name;
    }
}

TEST(IniFileRead, MissingFileIsEmptyAndWritable)
{
    TempFolder dir;
    IniFile ini(dir.file("none.ini"));
    EXPECT_FALSE(ini.exists());
    EXPECT_TRUE(ini.loadError().empty());
    EXPECT_EQ(ini.readString("A", "b", "dflt"), "dflt");
    ini.writeInteger("A", "b", 3);
    std::string error;
    ASSERT_TRUE(ini.save(&error)) << error;
    EXPECT_EQ(readBytes(dir.file("none.ini")), "[A]\nb=3\n");
}

TEST(IniFileRead, TypedReadsFallBackToDefault)
{
    struct Case {
        std::string text;
        int32_t integer; // with default -7
        bool boolean;    // with default false
        float number;    // with default 9.5
    };
    const std::vector<Case> cases = {
        {"200", 200, true, 200.0f},
        {" -5 ", -5, true, -5.0f},
        {"0", 0, false, 0.0f},
        {"2", 2, true, 2.0f},
        {"$1F", 31, true, 9.5f},
        {"0x10", 16, true, 9.5f},
        {"12abc", -7, false, 9.5f},
        {"", -7, false, 9.5f},
        {"2147483647", 2147483647, true, 2147483648.0f},
        {"2147483648", -7, false, 2147483648.0f},
        {"-2147483648", INT32_MIN, true, -2147483648.0f},
        {"1.5", -7, false, 1.5f},
        {"1,5", -7, false, 1.5f},
        {"yes", -7, false, 9.5f},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        const IniFile ini = iniWith(dir, "[S]\nk=" + c.text + "\n");
        EXPECT_EQ(ini.readInteger("S", "k", -7), c.integer) << c.text;
        EXPECT_EQ(ini.readBool("S", "k", false), c.boolean) << c.text;
        EXPECT_EQ(ini.readFloat("S", "k", 9.5f), c.number) << c.text;
    }
    const IniFile ini = iniWith(dir, "[S]\n");
    EXPECT_TRUE(ini.readBool("S", "k", true));
    EXPECT_EQ(ini.readInteger("S", "k", 4), 4);
}

TEST(SettingsNumbers, FloatTextsWithEitherSeparator)
{
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const std::vector<Case> cases = {
        {"2.5", true, 2.5f},   {"2,5", true, 2.5f}, {" 2,5 ", true, 2.5f},  {"5", true, 5.0f},
        {"-1.5", true, -1.5f}, {"+3", true, 3.0f},  {"1e3", true, 1000.0f}, {"1,5E2", true, 150.0f},
        {".5", true, 0.5f},    {"5.", true, 5.0f},  {"0,05", true, 0.05f},  {"0.1", true, 0.1f},
        {"1.2.3", false, 0},   {"1,2.3", false, 0}, {"1.234,5", false, 0},  {"2,5mm", false, 0},
        {"inf", false, 0},     {"-inf", false, 0},  {"nan", false, 0},      {"infinity", false, 0},
        {"1e39", false, 0},    {"-1e39", false, 0}, {"0x10", false, 0},     {"abc", false, 0},
        {"", false, 0},        {"  ", false, 0},    {"-", false, 0},        {"--5", false, 0},
        {"5 5", false, 0},     {"e5", false, 0},
    };
    for (const Case& c : cases) {
        float value = -99.0f;
        EXPECT_EQ(parseSettingsFloat(c.text, value), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(value, c.value) << c.text;
        else
            EXPECT_EQ(value, -99.0f) << c.text << " must leave the value alone";
    }
}

TEST(SettingsNumbers, FloatsWrittenShortestAndReadBack)
{
    struct Case {
        float value;
        const char* point;
        const char* comma;
    };
    const std::vector<Case> cases = {
        {2.5f, "2.5", "2,5"},      {5.0f, "5", "5"},
        {0.05f, "0.05", "0,05"},   {0.1f, "0.1", "0,1"},
        {50.0f, "50", "50"},       {-1.25f, "-1.25", "-1,25"},
        {1e-5f, "1e-05", "1e-05"}, {123456.5f, "123456.5", "123456,5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatSettingsFloat(c.value, "."), c.point);
        EXPECT_EQ(formatSettingsFloat(c.value, ","), c.comma);
        float back = 0.0f;
        ASSERT_TRUE(parseSettingsFloat(formatSettingsFloat(c.value, ","), back));
        EXPECT_EQ(back, c.value);
    }
    // Every float between 0.001 and 1000 in coarse steps survives the round trip.
    for (float v = 0.001f; v < 1000.0f; v *= 1.37f) {
        float back = 0.0f;
        ASSERT_TRUE(parseSettingsFloat(formatSettingsFloat(v, ","), back));
        EXPECT_EQ(back, v);
    }
}

struct EditCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(IniFileWrite, EditsKeepEveryOtherByte)
{
    const std::string about = "[AboutFR]\nTexte libre = pas une cl\xE9\n\n; fin\n";
    const std::vector<EditCase> cases = {
        {"replace a value", "[M]\nA=1\nB=2\n", "M", "A", "9", "[M]\nA=9\nB=2\n"},
        {"key spelling and blanks kept", "[m]\n  Pas de VIS x = 5 \n", "M", "Pas de vis X", "2.5",
         "[m]\n  Pas de VIS x = 2.5\n"},
        {"CR LF kept on the changed line", "[M]\r\nA=1\r\nB=2\r\n", "M", "B", "3",
         "[M]\r\nA=1\r\nB=3\r\n"},
        {"new key after the section's last line", "[M]\nA=1\n\n[N]\nB=2\n", "M", "C", "3",
         "[M]\nA=1\nC=3\n\n[N]\nB=2\n"},
        {"new key in a CR LF file", "[M]\r\nA=1\r\n[N]\r\n", "M", "C", "3",
         "[M]\r\nA=1\r\nC=3\r\n[N]\r\n"},
        {"new key in an empty section", "[M]\n[N]\n", "M", "C", "3", "[M]\nC=3\n[N]\n"},
        {"new key, section at the end without line break", "[M]\nA=1", "M", "C", "3",
         "[M]\nA=1\nC=3\n"},
        {"new key, header at the very end", "[M]", "M", "C", "3", "[M]\nC=3\n"},
        {"new section at the end", "[M]\nA=1\n" + about, "About", "Affiche", "1",
         "[M]\nA=1\n" + about + "[About]\nAffiche=1\n"},
        {"new section after a last line without break", "x=1", "About", "Affiche", "1",
         "x=1\n[About]\nAffiche=1\n"},
        {"new section in a CR LF file", "[M]\r\nA=1\r\n", "N", "B", "2",
         "[M]\r\nA=1\r\n[N]\r\nB=2\r\n"},
        {"blocks before and after untouched", about + "[M]\nA=1\n" + about, "M", "A", "2",
         about + "[M]\nA=2\n" + about},
        {"Windows-1252 value written raw", "[FR]\n33=x\n", "FR", "33", "Aper\xE7u",
         "[FR]\n33=Aper\xE7u\n"},
        {"line breaks in a value become blanks", "[M]\n", "M", "A", "a\r\nb", "[M]\nA=a  b\n"},
        {"UTF-8 mark kept", "\xEF\xBB\xBF[M]\nA=1\n", "M", "A", "2", "\xEF\xBB\xBF[M]\nA=2\n"},
    };
    TempFolder dir;
    for (const EditCase& c : cases) {
        IniFile ini = iniWith(dir, c.before);
        ini.writeString(c.section, c.key, c.value);
        std::string error;
        ASSERT_TRUE(ini.save(&error)) << c.name << ": " << error;
        EXPECT_EQ(readBytes(ini.path()), c.after) << c.name;
        std::string readBack = c.value;
        for (char& ch : readBack) {
            if (ch == '\r' || ch == '\n')
                ch = ' ';
        }
        EXPECT_EQ(IniFile(ini.path()).value(c.section, c.key), readBack) << c.name;
    }
}

TEST(IniFileWrite, BatchOfWritesIsOneReplacementInOrder)
{
    TempFolder dir;
    IniFile ini(dir.file("Tolvane.ini"));
    ini.writeString("Applications", "Editeur", "gedit");
    ini.writeString("Applications", "Driver", "drv");
    ini.writeFloat("Machine", "Pas de vis X", 2.5f);
    ini.writeInteger("Machine", "Pas par tour X", 400);
    ini.writeInteger("Langue", "current", -1);
    ini.writeBool("About", "Affiche", true);
    ASSERT_TRUE(ini.save());
    const std::string text = readBytes(ini.path());
    EXPECT_EQ(text.substr(0, text.find("Pas de vis X")),
              "[Applications]\nEditeur=gedit\nDriver=drv\n[Machine]\n");
    EXPECT_NE(text.find("[Langue]\ncurrent=-1\n[About]\nAffiche=1\n"), std::string::npos);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"Tolvane.ini"})
        << "no temporary file may stay behind";
}

TEST(IniFileWrite, UnchangedValueLeavesFileAlone)
{
    TempFolder dir;
    IniFile ini = iniWith(dir, "[M]\nA = 1\n");
    ini.writeString("M", "a", "1");
    EXPECT_FALSE(ini.modified());
}

TEST(IniFileWrite, ReplacementKeepsModeAndLink)
{
    // The temporary file starts private (0600); the settings file must not.
    TempFolder dir;
    writeBytes(dir.file("real.ini"), "[M]\nA=1\n");
    if (const std::string why = testsys::setMode(dir.file("real.ini"), 0640); !why.empty())
        GTEST_SKIP() << why;
    if (const std::string why = testsys::makeSymlink(dir.file("real.ini"), dir.file("Tolvane.ini"));
        !why.empty())
        GTEST_SKIP() << why;
    IniFile ini(dir.file("Tolvane.ini"));
    ini.writeInteger("M", "A", 2);
    ASSERT_TRUE(ini.save());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Tolvane.ini")));
    unsigned mode = 0;
    ASSERT_EQ(testsys::modeOf(dir.file("real.ini"), mode), "");
    EXPECT_EQ(mode, 0640u);
    EXPECT_EQ(readBytes(dir.file("real.ini")), "[M]\nA=2\n");
}

TEST(IniFileWrite, UnwritableFolderReportedOldFileIntact)
{
    TempFolder dir;
    const std::string original = "[M]\r\nA=1\r\n[AboutFR]\r\ntexte\r\n";
    writeBytes(dir.file("Tolvane.ini"), original);
    testsys::setMode(dir.file("Tolvane.ini"), 0644);
    std::string error;
    {
        ReadOnlyFolder guard(dir.path());
        if (!guard.why().empty())
            GTEST_SKIP() << guard.why();
        IniFile ini(dir.file("Tolvane.ini"));
        ASSERT_TRUE(ini.loadError().empty()) << ini.loadError();
        ini.writeInteger("M", "A", 2);
        EXPECT_FALSE(ini.save(&error));
    }
    EXPECT_NE(error.find(dir.file("Tolvane.ini")), std::string::npos) << error;
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(readBytes(dir.file("Tolvane.ini")), original);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"Tolvane.ini"});
}

TEST(IniFileWrite, FullDiskReportedOldFileIntact)
{
    TempFolder dir;
    const std::string original = "[M]\nA=1\n";
    writeBytes(dir.file("Tolvane.ini"), original);
    IniFile ini(dir.file("Tolvane.ini"));
    ini.writeString("M", "A", std::string(4096, 'x'));
    std::string error;
    bool saved = true;
    {
        // A file size limit makes write() fail the way a full disk does.
        testsys::FileSizeLimit limit(100);
        if (!limit.why().empty())
            GTEST_SKIP() << limit.why();
        saved = ini.save(&error);
    }
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find(dir.file("Tolvane.ini")), std::string::npos) << error;
    EXPECT_EQ(readBytes(dir.file("Tolvane.ini")), original);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"Tolvane.ini"});
}

TEST(IniFileWrite, UnreadableFileIsNeverOverwritten)
{
    TempFolder dir;
    // A folder where the file should be: reading fails, and a save must not
    // replace what it could not read.
    ASSERT_TRUE(std::filesystem::create_directory(pathFromUtf8(dir.file("Tolvane.ini"))));
    IniFile ini(dir.file("Tolvane.ini"));
    EXPECT_FALSE(ini.loadError().empty());
    EXPECT_EQ(ini.readInteger("M", "A", 3), 3);
    ini.writeInteger("M", "A", 2);
    std::string error;
    EXPECT_FALSE(ini.save(&error));
    EXPECT_NE(error.find(dir.file("Tolvane.ini")), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(pathFromUtf8(dir.file("Tolvane.ini"))));
}

TEST(IniFileRead, HugeAndBinaryFilesAreReadToTheEnd)
{
    TempFolder dir;
    // One 24 MB line full of NUL and high bytes, then many short junk lines,
    // then the section we look for.
    std::string bytes(24u * 1024u * 1024u, '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 7)
        bytes[i] = static_cast<char>(0x80 + i % 100);
    bytes += "\n";
    for (int i = 0; i < 200000; ++i)
        bytes += "=\x01\xff[\n";
    bytes += "[Machine]\r\nPas de vis X=2,5\r\n";
    IniFile ini = iniWith(dir, bytes);
    EXPECT_EQ(ini.readFloat("Machine", "Pas de vis X", 5.0f), 2.5f);
    ini.writeInteger("Machine", "Pas par tour X", 400);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readBytes(ini.path()), bytes + "Pas par tour X=400\r\n");
}

TEST(IniFileRead, ThousandsOfSectionsAndKeys)
{
    // More sections and keys than the lookup indexes keep: the ones beyond
    // are still found, first occurrences still win.
    std::string bytes;
    for (int s = 0; s < 6000; ++s)
        bytes += "[S" + std::to_string(s) + "]\nk=" + std::to_string(s) + "\n";
    bytes += "[S3]\nk=late\n[Big]\n";
    for (int k = 0; k < 6000; ++k)
        bytes += "key" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    bytes += "key5=late\n";
    TempFolder dir;
    IniFile ini = iniWith(dir, bytes);
    for (const char* key : {"key0", "key4095", "key4096", "key5999", "KEY5998", "key5"}) {
        const std::string expected = std::string(key).substr(3);
        EXPECT_EQ(ini.value("big", key), expected) << key;
    }
    EXPECT_EQ(ini.value("Big", "key6000"), std::nullopt);
    for (int s : {0, 3, 4095, 4096, 5999})
        EXPECT_EQ(ini.value("s" + std::to_string(s), "K"), std::to_string(s)) << s;
    EXPECT_FALSE(ini.hasSection("S6000"));
    ini.writeString("S5999", "k", "x");
    ini.writeString("Big", "key5999", "y");
    EXPECT_EQ(ini.value("S5999", "k"), "x");
    EXPECT_EQ(ini.value("Big", "key5999"), "y");
    EXPECT_EQ(ini.value("Big", "key4096"), "4096");
}

} // namespace
