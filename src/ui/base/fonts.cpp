#include "ui/base/fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <map>
#include <tuple>

namespace ui {

const QString& cjkFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        const char* const preferred[] = {
            "SimSun",           "NSimSun",           "AR PL UMing CN",    "WenQuanYi Micro Hei",
            "Noto Sans CJK SC", "Noto Serif CJK SC", "Source Han Sans SC"};
        for (const char* name : preferred)
            if (installed.contains(QLatin1String(name))) return QString::fromLatin1(name);
        return QFont().family();
    }();
    return family;
}

const QFont& unitFont(forms::Font font) { return unitFont(font, 100); }

const QFont& unitFont(forms::Font font, int stretch) {
    static std::map<std::tuple<int, bool, int>, QFont> fonts;
    const int pixels = font.height == 0 ? kDefaultPixelSize : (font.height < 0 ? -font.height : font.height);
    auto [it, inserted] = fonts.try_emplace({pixels, font.bold, stretch});
    if (inserted) {
        QFont& made = it->second;
        made.setFamily(cjkFamily());
        made.setPixelSize(pixels);
        made.setBold(font.bold);
        if (stretch != 100) made.setStretch(stretch);
        made.setStyleStrategy(QFont::PreferAntialias);
        made.setHintingPreference(QFont::PreferNoHinting);
    }
    return it->second;
}

}  // namespace ui
