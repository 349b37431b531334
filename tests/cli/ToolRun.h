// Running the veltra tool as its own process in a test's folder.
#pragma once

#include <string>
#include <vector>

#include <QProcess>
#include <QStringList>

namespace vt::test {

struct ToolRun {
    int code = -1;
    std::string out, err;
    // The tool's own lines on standard error (the platform may add notes of its own).
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        for (const QString& l : QString::fromStdString(err).split('\n', Qt::SkipEmptyParts))
            if (l.startsWith("veltra")) lines.push_back(l.toStdString());
        return lines;
    }
};

// Runs `veltra ARGS` in `folder` on the offscreen platform; code -1 when it did not end within a
// minute, -2 when it crashed.
inline ToolRun runTool(const std::string& folder, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(folder));
    p.start(QStringLiteral(VELTRA_CLI_PATH), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

}  // namespace vt::test
