// The program's pictures, drawn from its own fixed tables: the form's list items beside the
// words the builders write for them, and the gem lore as the game shows it.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include "actions/reference.h"
#include "ui/base/fonts.h"
#include "ui/base/pictures.h"
#include "ui/base/text.h"

namespace ui {
namespace {

const QColor kInk(0x22, 0x2b, 0x36);
const QColor kAccent(0x1f, 0x6f, 0xb2);
const QColor kRule(0xd5, 0xdc, 0xe4);

QFont pictureFont(int pixels, bool bold = false) { return unitFont({-pixels, bold}); }

void drawTitle(QPainter& p, const QRect& area, const QString& title, const QString& note) {
    p.fillRect(area, kAccent);
    p.setPen(Qt::white);
    p.setFont(pictureFont(18, true));
    p.drawText(area.adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.setFont(pictureFont(12));
    p.drawText(area.adjusted(0, 0, -16, 0), Qt::AlignVCenter | Qt::AlignRight, note);
}

// A table of rows, each row a list of cells, with a header row; columns at given x offsets.
void drawTable(QPainter& p, QRect area, const QStringList& header, const std::vector<QStringList>& rows,
               const std::vector<int>& columns, int rowHeight) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xf0, 0xf8));
    p.drawRect(area.left(), area.top(), area.width(), rowHeight);
    p.setFont(pictureFont(12, true));
    p.setPen(kInk);
    for (int c = 0; c < header.size(); ++c)
        p.drawText(QRect(area.left() + columns[static_cast<std::size_t>(c)], area.top(), 400, rowHeight),
                   Qt::AlignVCenter | Qt::AlignLeft, header[c]);
    p.setFont(pictureFont(12));
    int y = area.top() + rowHeight;
    for (std::size_t r = 0; r < rows.size(); ++r, y += rowHeight) {
        if (r % 2 == 1) p.fillRect(QRect(area.left(), y, area.width(), rowHeight), QColor(0xf6, 0xf8, 0xfa));
        for (int c = 0; c < rows[r].size(); ++c) {
            p.setPen(c % 2 == 0 ? kInk : kAccent);
            p.drawText(QRect(area.left() + columns[static_cast<std::size_t>(c)], y, 400, rowHeight),
                       Qt::AlignVCenter | Qt::AlignLeft, rows[r][c]);
        }
    }
    p.setPen(kRule);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.left(), area.top(), area.width() - 1, y - area.top());
}

// The gem of the banner and the icon, inside a square of side h at (x, y).
void drawGem(QPainter& p, qreal x, qreal y, qreal h) {
    QPainterPath gem;
    gem.moveTo(x + h * 0.5, y + h * 0.18);
    gem.lineTo(x + h * 0.82, y + h * 0.40);
    gem.lineTo(x + h * 0.5, y + h * 0.84);
    gem.lineTo(x + h * 0.18, y + h * 0.40);
    gem.closeSubpath();
    QLinearGradient shine(0, y + h * 0.18, 0, y + h * 0.84);
    shine.setColorAt(0, QColor(0x9f, 0xf3, 0xff));
    shine.setColorAt(1, QColor(0x3a, 0x8e, 0xe6));
    p.setPen(QPen(QColor(255, 255, 255, 200), std::max(1.0, h / 50)));
    p.setBrush(shine);
    p.drawPath(gem);
    p.drawLine(QPointF(x + h * 0.18, y + h * 0.40), QPointF(x + h * 0.82, y + h * 0.40));
}

void drawBanner(QPainter& p, QSize size) {
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(0x14, 0x2a, 0x4a));
    sky.setColorAt(1, QColor(0x1f, 0x7a, 0x8c));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
    // The gem: the editor's emblem.
    const int h = size.height();
    drawGem(p, 0, 0, h);
    p.setPen(Qt::white);
    p.setFont(pictureFont(28, true));
    p.drawText(QRect(h, 8, size.width() - h, h / 2), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Quorvel"));
    p.setFont(pictureFont(13));
    p.setPen(QColor(0xcf, 0xe8, 0xf0));
    p.drawText(QRect(h, h / 2 + 8, size.width() - h, h / 2 - 8), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("物品属性插件 · 指令与配置编辑器"));
}

void drawSkillGuide(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const std::vector<actions::ReferenceRow> projectiles = actions::projectileWords();
    const std::vector<actions::ReferenceRow> triggers = actions::triggerWords();
    std::vector<QStringList> rows;
    for (std::size_t i = 0; i < projectiles.size(); ++i) {
        QStringList row{fromUtf8(projectiles[i].item), fromUtf8(projectiles[i].word)};
        if (i < triggers.size()) row << fromUtf8(triggers[i].item) << fromUtf8(triggers[i].word);
        rows.push_back(row);
    }
    const int rowHeight = (size.height() - 2) / static_cast<int>(projectiles.size() + 1);
    drawTable(
        p, QRect(0, 0, size.width(), size.height()),
        {QStringLiteral("技能类型"), QStringLiteral("指令词"), QStringLiteral("触发方式"), QStringLiteral("指令词")},
        rows, {8, 92, 216, 300}, rowHeight);
}

// Minecraft's colour codes, as the gem lore uses them after "&".
QColor minecraftColour(QChar code) {
    static const char* const colours[] = {"#000000", "#0000AA", "#00AA00", "#00AAAA", "#AA0000", "#AA00AA",
                                          "#FFAA00", "#AAAAAA", "#555555", "#5555FF", "#55FF55", "#55FFFF",
                                          "#FF5555", "#FF55FF", "#FFFF55", "#FFFFFF"};
    const int digit = QString(code).toInt(nullptr, 16);
    return {QLatin1String(colours[digit])};
}

// Draws one lore line with its colour and style codes applied; returns nothing.
void drawLoreLine(QPainter& p, QPoint at, const QString& line) {
    QColor colour = minecraftColour(QLatin1Char('5'));
    bool bold = false, strike = false;
    int x = at.x();
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar ch = line.at(i);
        if (ch == QLatin1Char('&') && i + 1 < line.size()) {
            const QChar code = line.at(i + 1).toLower();
            bool known = true;
            if (QStringLiteral("0123456789abcdef").contains(code)) {
                colour = minecraftColour(code);
                bold = strike = false;
            } else if (code == QLatin1Char('l')) {
                bold = true;
            } else if (code == QLatin1Char('m')) {
                strike = true;
            } else if (code == QLatin1Char('r')) {
                colour = minecraftColour(QLatin1Char('f'));
                bold = strike = false;
            } else {
                known = false;
            }
            if (known) {
                ++i;
                continue;
            }
        }
        QFont font = pictureFont(14, bold);
        font.setStrikeOut(strike);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QPoint(x, at.y()), QString(ch));
        x += QFontMetrics(font).horizontalAdvance(ch);
    }
}

// The lore lines of the gem block, without their YAML list marks.
QStringList gemLore(std::string_view kind) {
    QStringList lines;
    for (const std::string& line : actions::gemLoreLines(kind)) lines << fromUtf8(line);
    return lines;
}

void drawAttributeVariables(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor(0xf4, 0xf6, 0xf8));
    drawTitle(p, QRect(0, 0, size.width(), 48), QStringLiteral("属性变量"),
              QStringLiteral("宝石Lore中的变量由插件填入"));
    // The gem lore as a tooltip in the game.
    const QStringList lore = gemLore("镶嵌宝石");
    const QRect tooltip(16, 72, 464, 28 + 24 * static_cast<int>(lore.size()));
    p.setPen(QPen(QColor(0x28, 0x00, 0x5e), 3));
    p.setBrush(QColor(0x10, 0x01, 0x10, 240));
    p.drawRoundedRect(tooltip, 4, 4);
    int y = tooltip.top() + 30;
    for (const QString& line : lore) {
        drawLoreLine(p, QPoint(tooltip.left() + 12, y), line);
        y += 24;
    }
    // Each variable and the lore line it stands in.
    p.setFont(pictureFont(14, true));
    p.setPen(kInk);
    p.drawText(QPoint(500, 90), QStringLiteral("变量"));
    int row = 0;
    for (const QString& line : lore) {
        qsizetype open = line.indexOf(QLatin1Char('{'));
        while (open >= 0) {
            const qsizetype close = line.indexOf(QLatin1Char('}'), open);
            if (close < 0) break;
            const int top = 108 + row * 64;
            p.setPen(kRule);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRect(496, top, 208, 52), 4, 4);
            p.setFont(pictureFont(14, true));
            p.setPen(kAccent);
            p.drawText(QPoint(508, top + 22), line.mid(open, close - open + 1));
            QString where = line;
            where.remove(QRegularExpression(QStringLiteral("&[0-9a-fk-or]")));
            p.setFont(pictureFont(12));
            p.setPen(kInk);
            p.drawText(QRect(508, top + 28, 188, 20), Qt::AlignLeft | Qt::AlignVCenter,
                       QFontMetrics(pictureFont(12)).elidedText(where.trimmed(), Qt::ElideRight, 188));
            ++row;
            open = line.indexOf(QLatin1Char('{'), close);
        }
    }
    p.setFont(pictureFont(12));
    p.setPen(QColor(0x55, 0x60, 0x6e));
    p.drawText(QRect(24, size.height() - 64, size.width() - 48, 48), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("“完成”按钮写出的宝石配置带有以上Lore；变量原样写出，游戏中由插件换成宝石的数值。"
                              "颜色字符请自行在配置文件中修改。"));
}

// Rows of four cells: two reference rows side by side.
std::vector<QStringList> pairedRows(const std::vector<actions::ReferenceRow>& left,
                                    const std::vector<actions::ReferenceRow>& right) {
    std::vector<QStringList> rows;
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        QStringList row;
        for (const std::vector<actions::ReferenceRow>* side : {&left, &right})
            if (i < side->size()) row << fromUtf8((*side)[i].item) << fromUtf8((*side)[i].word);
        rows.push_back(row);
    }
    return rows;
}

void drawAttributeList(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    drawTitle(p, QRect(0, 0, size.width(), 48), QStringLiteral("属性列表"),
              QStringLiteral("宝石属性与元素BUFF的配置键"));
    const std::vector<QStringList> bonus = pairedRows(actions::bonusBaseKeys(), actions::bonusScaleKeys());
    const int rowHeight = 17;
    drawTable(p, QRect(16, 60, size.width() - 32, 17 * rowHeight),
              {QStringLiteral("属性"), QStringLiteral("配置键"), QStringLiteral("附加属性"), QStringLiteral("配置键")},
              bonus, {8, 112, 352, 480}, rowHeight);
    const std::vector<actions::ReferenceRow> potions = actions::potionKeys();
    const std::size_t half = (potions.size() + 1) / 2;
    const std::vector<QStringList> potionRows =
        pairedRows({potions.begin(), potions.begin() + static_cast<std::ptrdiff_t>(half)},
                   {potions.begin() + static_cast<std::ptrdiff_t>(half), potions.end()});
    const int top = 60 + 17 * rowHeight + 12;
    drawTable(
        p, QRect(16, top, size.width() - 32, static_cast<int>(half + 1) * rowHeight),
        {QStringLiteral("元素BUFF"), QStringLiteral("配置键"), QStringLiteral("元素BUFF"), QStringLiteral("配置键")},
        potionRows, {8, 112, 352, 456}, rowHeight);
}

}  // namespace

QPixmap drawPicture(forms::Picture picture, QSize size, qreal pixelRatio) {
    size = size.expandedTo(QSize(1, 1));
    QPixmap pixmap((QSizeF(size) * pixelRatio).toSize());
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    switch (picture) {
    case forms::Picture::Banner: drawBanner(painter, size); break;
    case forms::Picture::SkillGuide: drawSkillGuide(painter, size); break;
    case forms::Picture::AttributeVariables: drawAttributeVariables(painter, size); break;
    case forms::Picture::AttributeList: drawAttributeList(painter, size); break;
    case forms::Picture::ItemTooltip:  // drawn live by ItemPreview
    case forms::Picture::None: break;
    }
    return pixmap;
}

QIcon editorIcon() {
    QIcon icon;
    for (int side : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient tile(0, 0, side, side);
        tile.setColorAt(0, QColor(0x14, 0x2a, 0x4a));
        tile.setColorAt(1, QColor(0x1f, 0x7a, 0x8c));
        painter.setPen(Qt::NoPen);
        painter.setBrush(tile);
        painter.drawRoundedRect(QRectF(side * 0.03, side * 0.03, side * 0.94, side * 0.94), side * 0.19, side * 0.19);
        drawGem(painter, 0, 0, side);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace ui
