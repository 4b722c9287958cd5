#include "app/batchworker.h"

#include "app/form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <csignal>

namespace batch {

Outcome processPicture(const Settings &s, const QString &file)
{
    Outcome o;
    Form1 form;
    form.Form_Load();
    form.show();
    form.Combo1->setListIndex((s.size - 200) / 100);
    form.HScroll4->setValue(s.rx);
    form.HScroll8->setValue(s.ry);
    // Each minimum first: it reopens its band up to 255, and a maximum never goes below it.
    form.HScroll2->setValue(s.red.lo);
    form.HScroll5->setValue(s.red.hi);
    form.HScroll1->setValue(s.green.lo);
    form.HScroll6->setValue(s.green.hi);
    form.HScroll3->setValue(s.blue.lo);
    form.HScroll7->setValue(s.blue.hi);
    form.Combo2->setListIndex(s.selection);
    if (const QString why = form.openFile(file); !why.isEmpty()) {
        o.reason = why;
        return o;
    }
    if (s.reduction)
        form.Command3_Click();
    else if (s.threshold)
        form.Command7_Click();
    else
        form.Command1_Click();
    QStringList views = s.reduction ? QStringList{QStringLiteral("blue")}
                                    : QStringList{QStringLiteral("red"), QStringLiteral("green"),
                                                  QStringLiteral("blue")};
    if (!s.zoom.isEmpty()) {
        (s.zoom == QLatin1String("r")   ? form.Option1
         : s.zoom == QLatin1String("g") ? form.Option2
                                        : form.Option3)
            ->click();
        views << QStringLiteral("zoom");
    }

    const QDir folder(s.outDir.isEmpty() ? QFileInfo(file).absolutePath() : s.outDir);
    const QString picture = QFileInfo(file).canonicalFilePath();
    QStringList paths;
    for (const QString &view : views) {
        const QString path = folder.filePath(form.resultName(view));
        const QFileInfo target(path);
        if (target.exists() && (target.canonicalFilePath() == picture ||
                                s.inputs.contains(target.canonicalFilePath()))) {
            o.reason =
                QStringLiteral("%1 would replace a picture of the batch").arg(target.fileName());
            return o;
        }
        if (target.exists() && !s.overwrite) {
            o.reason = QStringLiteral("%1 exists; --overwrite replaces it").arg(target.fileName());
            return o;
        }
        paths << path;
    }
    for (qsizetype i = 0; i < views.size(); ++i) {
        if (const QString error = form.saveResult(views[i], paths[i]); !error.isEmpty()) {
            o.reason = QStringLiteral("%1: %2").arg(QFileInfo(paths[i]).fileName(), error);
            return o;
        }
        o.outputs << QFileInfo(paths[i]).fileName();
    }
    o.ok = true;
    return o;
}

QString reportLine(const QString &file, const Outcome &o)
{
    QString detail = o.ok ? o.outputs.join(QStringLiteral(", ")) : o.reason;
    detail.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
    return QStringLiteral("%1\t%2\t%3")
        .arg(file, o.ok ? QStringLiteral("ok") : QStringLiteral("refused"), detail);
}

int runWorker(Settings s)
{
    std::signal(SIGINT, SIG_IGN);
    QFile input, output;
    if (!input.open(stdin, QIODevice::ReadOnly) || !output.open(stdout, QIODevice::WriteOnly))
        return 1;
    while (true) {
        const QByteArray line = input.readLine();
        if (line.isEmpty())
            break;
        const QString text = QString::fromUtf8(line).chopped(line.endsWith('\n') ? 1 : 0);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            continue;
        const QString file = text.mid(tab + 1);
        if (text.startsWith(QLatin1String("input\t"))) {
            s.inputs << QFileInfo(file).canonicalFilePath();
            continue;
        }
        const QString report = text.left(tab) + QLatin1Char('\t') +
                               reportLine(file, processPicture(s, file)) + QLatin1Char('\n');
        output.write(report.toUtf8());
        output.flush();
    }
    return 0;
}

} // namespace batch
