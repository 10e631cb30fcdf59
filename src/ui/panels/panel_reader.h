// Reading a panel's whole text without holding the event loop: a few milliseconds of lines per
// turn, for the live check, the save and the session.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTimer>
#include <functional>

namespace ui {

// What a panel reads back ("\n" line ends) after text went into it: Qt starts a new line at
// CR LF, CR, LF, U+2029, U+FDD0 and U+FDD1. With lineEnd U+2029, the text as the document
// holds it.
QString readBack(QStringView text, QChar lineEnd = QLatin1Char('\n'));

// Appends the lines from block on to text, each after a '\n' but the document's first, until
// the slice has run ms milliseconds; block is then the first line not read yet (invalid once
// the whole text is read).
void readPanelLines(QTextBlock& block, QString& text, const QElapsedTimer& slice, qint64 ms);

// Reads a panel's whole text (lines joined by LF) a few milliseconds per turn of the event
// loop, so that a large panel never holds the loop; a change to the panel meanwhile starts the
// reading over. A child of the panel: deleting it cancels the reading, and it deletes itself
// once it has handed the text on.
class PanelReader : public QObject {
public:
    PanelReader(QPlainTextEdit* panel, qint64 sliceMs, std::function<void(QString)> done);
    // Reads the first slice now, the others on later turns of the loop.
    void start();
    // How long the longest slice held the loop, in milliseconds.
    double longestSliceMs() const { return longestSliceMs_; }

private:
    void step();

    QPlainTextEdit* panel_;
    qint64 sliceMs_;
    std::function<void(QString)> done_;
    QTextBlock block_;
    QString text_;
    bool changed_ = true;
    double longestSliceMs_ = 0;
    QTimer timer_;
};

}  // namespace ui
