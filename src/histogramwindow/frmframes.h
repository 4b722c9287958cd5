#pragma once

#include "core/channel.h"

#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

class QTableWidget;

// What "Measure all frames" found: a row a frame, the --measure columns with the frame's number
// and time, and the marked share of each channel drawn against time. A click on the drawing
// asks for that frame.
class frmFrames : public QWidget {
    Q_OBJECT
public:
    explicit frmFrames(QWidget *owner);

    struct Row {
        int frame = 0;
        std::optional<double> time;
        PerChannel<double> shares; // the marked shares, in percent
        QStringList values;        // in the header's order
    };
    void setRows(const QStringList &header, const std::vector<Row> &rows);
    // The table as CSV, as --measure writes it.
    QString csv() const;

signals:
    void frameChosen(int frame);

private:
    class Chart;
    QStringList header_;
    std::vector<Row> rows_;
    QTableWidget *table_ = nullptr;
    Chart *chart_ = nullptr;
};
