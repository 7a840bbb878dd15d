// The document type's association with the desktop, into a home of the test's own, read back with the desktop's
// own tools.
#include "util/desktop_association.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/form_layout.h"
#include "scratch.h"
#include "ui/qt/qt_program.h"
#include "util/child_process.h"
#include "util/text_codec.h"

namespace {

using testing_support::readBytes;
using testing_support::ScratchFolder;

// Sets environment variables for a scope, and puts them back.
class Environment {
  public:
    void set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        ::setenv(name, value.c_str(), 1);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first, it->second->c_str(), 1);
            else
                ::unsetenv(it->first);
        }
    }

  private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

std::filesystem::path pathOf(const std::string& gbk) {
    return std::filesystem::path(util::gbkToUtf8(gbk).value());
}

std::string commandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    ::pclose(pipe);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string associateThroughTheButton(const std::filesystem::path& document) {
    ui::qt::QtProgram program({std::filesystem::path(QELVO_PROGRAM_FOLDER) / "qelvo", QELVO_PROGRAM_FOLDER});
    program.open(ui::qt::documentFromArguments({document.string()}));
    std::string shown;
    QTimer::singleShot(50, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = util::utf8ToGbk(box->text().toStdString()).value_or("?");
            box->accept();
        }
    });
    QTest::mouseClick(program.window().control(app::kIdAssociate), Qt::LeftButton);
    program.window().close();
    return shown;
}

TEST(DesktopAssociation, TheButtonRegistersTheTypeTheDesktopThenKnows) {
    ScratchFolder home;
    Environment environment;
    environment.set("HOME", home.path().string());
    environment.set("XDG_DATA_HOME", (home / "data").string());
    environment.set("XDG_CONFIG_HOME", (home / "config").string());
    const std::filesystem::path templates = home.path() / pathOf("模板");
    std::filesystem::create_directories(templates);
    std::filesystem::create_directories(home / "config");
    testing_support::writeBytes(home / "config" / "user-dirs.dirs",
                                "XDG_TEMPLATES_DIR=\"$HOME/" + pathOf("模板").string() + "\"\n");
    const std::filesystem::path document = home / "persons.qelvo";
    EXPECT_EQ(associateThroughTheButton(document), "关联成功！");
    if (util::findOnPath("xdg-user-dir")) {  // the empty new document of the file manager's "New" menu
        EXPECT_TRUE(std::filesystem::exists(templates / pathOf("Qelvo 文档.qelvo")));
        EXPECT_EQ(std::filesystem::file_size(templates / pathOf("Qelvo 文档.qelvo")), 0u);
    }

    const std::filesystem::path data = home / "data";
    EXPECT_TRUE(std::filesystem::exists(data / "mime/packages/qelvo.xml"));
    EXPECT_TRUE(std::filesystem::exists(data / "icons/hicolor/48x48/apps/qelvo.png"));
    EXPECT_TRUE(std::filesystem::exists(data / "icons/hicolor/256x256/mimetypes/application-x-qelvo.png"));
    const std::string entry = readBytes(data / "applications/qelvo.desktop");
    EXPECT_NE(entry.find("Exec=" + (std::filesystem::path(QELVO_PROGRAM_FOLDER) / "qelvo").string() + " %f\n"),
              std::string::npos);
    EXPECT_NE(entry.find("MimeType=application/x-qelvo;\n"), std::string::npos);

    if (!util::findOnPath("xdg-mime") || !util::findOnPath("update-mime-database"))
        GTEST_SKIP() << "the desktop's tools are not installed";
    EXPECT_EQ(commandOutput("xdg-mime query default application/x-qelvo"), "qelvo.desktop");
    // Which tool xdg-mime asks for a file's type depends on the desktop; GLib's reads the user's MIME database.
    if (util::findOnPath("gio")) {
        EXPECT_EQ(commandOutput("XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype '" + document.string() + "'"),
                  "application/x-qelvo");
    }
}

TEST(DesktopAssociation, WithoutTheDesktopsToolsTheFilesAreWrittenAndMimeappsListNamesTheDefault) {
    ScratchFolder home;
    Environment environment;
    environment.set("HOME", home.path().string());
    environment.set("XDG_DATA_HOME", (home / "data").string());
    environment.set("XDG_CONFIG_HOME", (home / "config").string());
    environment.set("PATH", (home / "no-tools").string());
    std::filesystem::create_directories(home / "config");
    testing_support::writeBytes(home / "config" / "mimeapps.list", "[Default Applications]\ntext/plain=a.desktop;\n");
    EXPECT_EQ(associateThroughTheButton(home / "persons.qelvo"), "关联成功！");
    EXPECT_EQ(readBytes(home / "config" / "mimeapps.list"),
              "[Default Applications]\ntext/plain=a.desktop;\napplication/x-qelvo=qelvo.desktop;\n");
    EXPECT_TRUE(std::filesystem::exists(home / "data" / "applications" / "qelvo.desktop"));
    EXPECT_FALSE(std::filesystem::exists(home / "data" / "mime" / "mime.cache"));  // no database without its tool
}

TEST(DesktopAssociation, AFailedStepIsNamedAndNotCalledSuccess) {
    ScratchFolder home;
    Environment environment;
    testing_support::writeBytes(home / "data", "a file where the data folder should be");
    environment.set("HOME", home.path().string());
    environment.set("XDG_DATA_HOME", (home / "data").string());
    const std::string shown = associateThroughTheButton(home / "persons.qelvo");
    EXPECT_EQ(shown.rfind("关联失败：无法建立文件夹“" + (home / "data" / "mime" / "packages").string() + "”：", 0), 0u)
        << shown;
}

TEST(DesktopAssociation, TheExecLineQuotesThePathOnlyWhereTheDesktopEntryWantsIt) {
    const struct {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/opt/qelvo/qelvo", "Exec=/opt/qelvo/qelvo %f\n"},
        {"/home/\xE6\x9D\x8E\xE6\x98\x8E/bin/qelvo", "Exec=/home/\xE6\x9D\x8E\xE6\x98\x8E/bin/qelvo %f\n"},  // 李明
        {"/opt/50%/qelvo", "Exec=/opt/50%%/qelvo %f\n"},
        {"/home/a b/qelvo", "Exec=\"/home/a b/qelvo\" %f\n"},
        {"/opt/q(1)/qelvo", "Exec=\"/opt/q(1)/qelvo\" %f\n"},
        {"/home/a b/50% \"q\"/$x`y`\\z", "Exec=\"/home/a b/50%% \\\\\"q\\\\\"/\\\\$x\\\\`y\\\\`\\\\\\\\z\" %f\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_NE(util::desktopEntry(c.program).find(c.exec), std::string::npos) << util::desktopEntry(c.program);
    }
}

// A stand-in for the program in a folder: a script that writes each argument it gets as a line of a file beside
// itself.
std::filesystem::path standIn(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path program = folder / "qelvo";
    testing_support::writeBytes(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$0.log\"\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                              std::filesystem::perms::group_exec);
    return program;
}

// What the stand-in wrote, once it has written it (a program started for the desktop may still be on its way).
std::string standInLog(const std::filesystem::path& program) {
    const std::filesystem::path log = program.string() + ".log";
    for (int wait = 0; wait < 100 && !std::filesystem::exists(log); ++wait)
        QTest::qWait(50);
    return std::filesystem::exists(log) ? readBytes(log) : std::string();
}

TEST(DesktopAssociation, XdgOpenAndGioStartTheProgramOnADocument) {
    for (const char* tool : {"xdg-open", "xdg-mime", "gio", "update-mime-database"})
        if (!util::findOnPath(tool))
            GTEST_SKIP() << "the desktop's tools are not installed";
    const struct {
        const char* folder;
        bool xdgOpen;  // the generic xdg-open (xdg-utils 1.1) cannot start a program whose path must be quoted
    } cases[] = {
        {"bin", true},
        {"a folder with blanks, $ and \"quotes\"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        ScratchFolder home;
        Environment environment;
        environment.set("HOME", home.path().string());
        environment.set("XDG_DATA_HOME", (home / "data").string());
        environment.set("XDG_CONFIG_HOME", (home / "config").string());
        const std::filesystem::path program = standIn(home / c.folder);
        const std::filesystem::path document = home / "persons.qelvo";
        testing_support::writeBytes(document, "[base]\r\nnewcode=10001\r\n");
        ASSERT_EQ(util::associateDocumentType({program, {}}), "");
        // Outside any desktop, as a file manager or a terminal runs them.
        const std::string outside = "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION ";
        if (c.xdgOpen) {
            commandOutput(outside + "DISPLAY=:0 xdg-open '" + document.string() + "' 2>&1");
            EXPECT_EQ(standInLog(program), document.string() + "\n");
            std::filesystem::remove(program.string() + ".log");
        }
        commandOutput(outside + "gio open '" + document.string() + "' 2>&1");
        EXPECT_EQ(standInLog(program), document.string() + "\n");
    }
}

TEST(DesktopAssociation, TheDefaultIsSetInMimeappsListKeepingEverythingElse) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"", "[Default Applications]\napplication/x-qelvo=qelvo.desktop;\n"},
        {"[Added Associations]\ntext/plain=a.desktop;\n",
         "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\napplication/x-qelvo=qelvo.desktop;\n"},
        {"[Default Applications]\ntext/plain=a.desktop;\napplication/x-qelvo=old.desktop;\n[Other]\nx=y\n",
         "[Default Applications]\ntext/plain=a.desktop;\napplication/x-qelvo=qelvo.desktop;\n[Other]\nx=y\n"},
        {"[Default Applications]\ntext/plain=a.desktop;\n[Other]\nx=y\n",
         "[Default Applications]\ntext/plain=a.desktop;\napplication/x-qelvo=qelvo.desktop;\n[Other]\nx=y\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        EXPECT_EQ(util::withDefaultApplication(c.before, "application/x-qelvo", "qelvo.desktop"), c.after);
    }
}

}  // namespace
