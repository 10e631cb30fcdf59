// The plugin folder the benchmarks read: 50 files (some in subfolders, every fifth in GBK) holding
// 10,000 gem, element and key-lore entries in all, with no finding.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringConverter>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "builders/socket/element_block.h"
#include "builders/socket/key_lore.h"
#include "sample_socket.h"

namespace bench {

inline void writeSampleFile(const QString& path, const std::string& utf8, bool gbk) {
    QByteArray bytes = QByteArray::fromStdString(utf8);
    if (gbk) {
        QStringEncoder encoder("GBK");
        if (!encoder.isValid()) {
            std::fprintf(stderr, "this Qt cannot write GBK\n");
            std::exit(1);
        }
        bytes = encoder.encode(QString::fromStdString(utf8));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write the sample folder\n");
        std::exit(1);
    }
}

// 30 socket files of 250 gems, 10 element files of 150 elements (each resisting two others),
// 10 key-lore files of 100 entries: 10,000 entries. Every fifth file is GBK; the older copies
// and the key-lore files sit in subfolders.
inline int makeSampleFolder(const QString& root) {
    int entries = 0;
    QDir().mkpath(root + "/old/2023");
    QDir().mkpath(root + "/keylore");
    for (int f = 0; f < 30; ++f) {
        std::string text;
        for (int i = 0; i < 250; ++i) bench::appendSampleGem(text, f * 250 + i);
        entries += 250;
        const QString name = f < 20 ? QString("/sockets-%1.yml").arg(f) : QString("/old/2023/sockets-%1.yml").arg(f);
        writeSampleFile(root + name, text, f % 5 == 4);
    }
    for (int f = 0; f < 10; ++f) {
        std::string text;
        for (int i = 0; i < 150; ++i) {
            const int n = f * 150 + i;
            text += builders::socket::elementBlock(
                {.id = "element" + std::to_string(n), .keylore = "&c元素" + std::to_string(n)});
            text += builders::socket::resistanceLine("element" + std::to_string((n + 1) % 1500), "10");
            text += builders::socket::resistanceLine("element" + std::to_string((n + 7) % 1500), "-5");
        }
        entries += 150;
        writeSampleFile(root + QString("/elements-%1.yml").arg(f), text, f % 5 == 4);
    }
    for (int f = 0; f < 10; ++f) {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            const int n = f * 100 + i;
            text += builders::socket::keyLoreEntry("skill" + std::to_string(n), "&a技能" + std::to_string(n),
                                                   "heal %player%");
        }
        entries += 100;
        writeSampleFile(root + QString("/keylore/keylore-%1.yml").arg(f), text, f % 5 == 4);
    }
    return entries;
}

}  // namespace bench
