#include "about/sysinfo.h"
#include "platform/programstart.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace platform;
using about::GetKeyValue;

namespace {

const std::string MsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct Value {
    std::uint32_t type;
    std::string bytes;
};

// A registry of a few keys; it counts the keys that are open.
class FakeRegistry : public Registry {
public:
    std::map<std::string, std::map<std::string, Value>> keys;
    int opened = 0, closed = 0;

    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t, std::uint32_t access,
                       HKEY *result) override
    {
        EXPECT_EQ(access, KEY_ALL_READ);
        if (root != HKEY_LOCAL_MACHINE || !keys.count(subKey))
            return ERROR_FILE_NOT_FOUND;
        ++opened;
        *result = 100 + static_cast<HKEY>(std::distance(keys.begin(), keys.find(subKey)));
        return ERROR_SUCCESS;
    }
    long RegQueryValueExA(HKEY key, const std::string &name, std::uint32_t *type,
                          std::uint8_t *data, std::uint32_t *size) override
    {
        auto it = keys.begin();
        std::advance(it, key - 100);
        const auto value = it->second.find(name);
        if (value == it->second.end())
            return ERROR_FILE_NOT_FOUND;
        *type = value->second.type;
        const auto needed = static_cast<std::uint32_t>(value->second.bytes.size());
        if (needed > *size) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::copy(value->second.bytes.begin(), value->second.bytes.end(), data);
        *size = needed;
        return ERROR_SUCCESS;
    }
    long RegCloseKey(HKEY) override
    {
        ++closed;
        return ERROR_SUCCESS;
    }
};

struct World {
    FakeRegistry registry;
    QStringList existing, started, messages;
    bool startWorks = true;

    about::SysInfoEnvironment env()
    {
        return {&registry, [this](const QString &p) { return existing.contains(p); },
                [this](const QString &p) {
                    started << p;
                    return startWorks;
                },
                [this](const QString &text, const QString &title) {
                    messages << title + QLatin1Char('|') + text;
                }};
    }
};

const QString Unavailable =
    QStringLiteral("Tintara 3.0|Le informazioni sul sistema non sono attualmente disponibili.");

} // namespace

TEST(GetKeyValue, ReadsTextAndTrimsTheNul)
{
    FakeRegistry r;
    r.keys[MsInfoKey]["PATH"] = {REG_SZ, std::string("C:\\msinfo32.exe\0", 16)};
    r.keys[MsInfoKey]["RAW"] = {REG_SZ, "no terminator"};
    r.keys[MsInfoKey]["EMPTY"] = {REG_SZ, ""};
    std::string v = "old";
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "PATH", v));
    EXPECT_EQ(v, "C:\\msinfo32.exe");
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "RAW", v));
    EXPECT_EQ(v, "no terminator");
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "EMPTY", v));
    EXPECT_EQ(v, "");
    EXPECT_EQ(r.closed, 3);
}

TEST(GetKeyValue, DwordBecomesHexTextFromTheLastByte)
{
    FakeRegistry r;
    r.keys[MsInfoKey]["N"] = {REG_DWORD, std::string("\x12\x0A\xB0\x01", 4)};
    r.keys[MsInfoKey]["NUL"] = {REG_DWORD, std::string("\x05\x00\x00\x00", 4)};
    r.keys[MsInfoKey]["BIN"] = {3, "xyz"};
    std::string v;
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "N", v));
    EXPECT_EQ(v, "&h1B0A12");
    v = "7";
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "NUL", v));
    EXPECT_EQ(v, "&h7005") << "appended to what it held; a final NUL byte is trimmed";
    v = "kept";
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "BIN", v));
    EXPECT_EQ(v, "kept");
}

TEST(GetKeyValue, FailuresEmptyTheTextAndStillClose)
{
    FakeRegistry r;
    r.keys[MsInfoKey]["BIG"] = {REG_SZ, std::string(1025, 'x')};
    r.keys[MsInfoKey]["FULL"] = {REG_SZ, std::string(1024, 'y')};
    std::string v = "old";
    EXPECT_FALSE(GetKeyValue(r, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", "PATH", v));
    EXPECT_EQ(v, "");
    EXPECT_EQ(r.closed, 1) << "closed even when the open failed";
    v = "old";
    EXPECT_FALSE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "MISSING", v));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "BIG", v));
    EXPECT_EQ(v, "");
    EXPECT_TRUE(GetKeyValue(r, HKEY_LOCAL_MACHINE, MsInfoKey, "FULL", v));
    EXPECT_EQ(v.size(), 1024u);
    EXPECT_EQ(r.closed, 4);
}

TEST(StartSysInfo, FirstLookupStartsThePathUnchanged)
{
    World w;
    w.registry.keys[MsInfoKey]["PATH"] = {REG_SZ, std::string("/opt/sys info/tool\0", 19)};
    about::StartSysInfo(w.env());
    EXPECT_EQ(w.started, QStringList{QStringLiteral("/opt/sys info/tool")});
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(w.registry.opened, w.registry.closed);
}

TEST(StartSysInfo, SecondLookupNeedsMsinfo32InTheFolder)
{
    World w;
    w.registry.keys[LocationKey]["MSINFO"] = {REG_SZ, std::string("C:\\Tools\0", 9)};
    about::StartSysInfo(w.env());
    EXPECT_TRUE(w.started.isEmpty());
    EXPECT_EQ(w.messages, QStringList{Unavailable});

    w.messages.clear();
    w.existing << QStringLiteral("C:\\Tools\\MSINFO32.EXE");
    about::StartSysInfo(w.env());
    EXPECT_EQ(w.started, QStringList{QStringLiteral("C:\\Tools\\MSINFO32.EXE")});
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(w.registry.closed, 4) << "two lookups a run, each closing its key";
}

TEST(StartSysInfo, EveryFailureShowsOneMessage)
{
    World w;
    about::StartSysInfo(w.env());
    EXPECT_EQ(w.messages, QStringList{Unavailable}) << "both lookups fail";
    EXPECT_EQ(w.registry.closed, 2);

    World failing;
    failing.registry.keys[MsInfoKey]["PATH"] = {REG_SZ, "/no/such/program"};
    failing.startWorks = false;
    about::StartSysInfo(failing.env());
    EXPECT_EQ(failing.started.size(), 1);
    EXPECT_EQ(failing.messages, QStringList{Unavailable});
}

TEST(StandInRegistry, AnswersOnlyTheSysInfoPath)
{
    auto registry = standInRegistry([] { return std::string("/usr/bin/hardinfo"); });
    std::string v;
    EXPECT_TRUE(GetKeyValue(*registry, HKEY_LOCAL_MACHINE, MsInfoKey, "PATH", v));
    EXPECT_EQ(v, "/usr/bin/hardinfo");
    EXPECT_FALSE(GetKeyValue(*registry, HKEY_LOCAL_MACHINE, MsInfoKey, "OTHER", v));
    EXPECT_FALSE(GetKeyValue(*registry, HKEY_LOCAL_MACHINE, LocationKey, "MSINFO", v));
    EXPECT_FALSE(GetKeyValue(*registry, static_cast<HKEY>(0x80000001u), MsInfoKey, "PATH", v));

    auto nothing = standInRegistry([] { return std::string(); });
    EXPECT_FALSE(GetKeyValue(*nothing, HKEY_LOCAL_MACHINE, MsInfoKey, "PATH", v));
}

// A desktop's own program is found on PATH and started with the arguments it needs.
TEST(StandInRegistry, FindsAndStartsTheDesktopsProgram)
{
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started"));
    for (const char *name : {"gnome-control-center", "gnome-system-monitor"}) {
        QFile program(bin.filePath(QLatin1String(name)));
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.write(QStringLiteral("#!/bin/sh\necho \"$0 $*\" > '%1'\n").arg(marker).toUtf8());
        program.close();
        program.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const std::string found = platform::findSysInfoOnPath();
    qputenv("PATH", path);
    EXPECT_EQ(
        found,
        QFile::encodeName(bin.filePath(QStringLiteral("gnome-control-center"))).toStdString() +
            " info-overview");
    ASSERT_TRUE(platform::startProgram(QString::fromStdString(found)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }, 10000));
    QFile said(marker);
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    EXPECT_TRUE(said.readAll().trimmed().endsWith("gnome-control-center info-overview"));
}
