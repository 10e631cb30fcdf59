#include "ui/automation/colour_ops.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <string>
#include <vector>

#include "actions/colour_fields.h"
#include "text/codes.h"
#include "text/colour_tools.h"
#include "ui/base/text.h"
#include "ui/colour/colour_menus.h"
#include "ui/colour/colour_tool.h"
#include "ui/colour/field_edit.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"

namespace ui {
namespace {

QJsonObject textReply(const std::string& text) { return {{"ok", true}, {"text", fromUtf8(text)}}; }

QJsonObject answer(const text::ToolResult& result) {
    if (!result.ok()) throw Refused{fromUtf8(result.refusal)};
    return textReply(result.text);
}

std::string stringOf(const QJsonObject& request, const char* key) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (!value.isString()) throw Refused{QStringLiteral("\"%1\" must be a string").arg(QLatin1String(key))};
    return toUtf8(value.toString());
}

// A hex form named in a request: "x" or "hash"; absent gives fallback.
std::string formOf(const QJsonObject& request, const char* key, const char* fallback) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (value.isUndefined() && fallback != nullptr) return fallback;
    std::string form = stringOf(request, key);
    // The rules take an empty form for "x"; a request names one of the two.
    if (form.empty()) throw Refused{QStringLiteral("unknown form \"\": use \"x\" or \"hash\"")};
    return form;
}

// The colours, formats and form of a gradient, as the request spells them; the rules refuse
// the values they cannot use.
struct Gradient {
    std::vector<std::string> colours;
    std::string formats;
    std::string form;
};

Gradient gradientOf(const QJsonObject& request) {
    const QJsonValue colours = request.value(QStringLiteral("colors"));
    const QString list = QStringLiteral("\"colors\" must be a list of colours such as [\"#ff5555\", \"#5555ff\"]");
    if (!colours.isArray()) throw Refused{list};
    Gradient gradient;
    for (const auto& colour : colours.toArray()) {
        if (!colour.isString()) throw Refused{list};
        gradient.colours.push_back(toUtf8(colour.toString()));
    }
    if (request.contains(QStringLiteral("formats"))) gradient.formats = stringOf(request, "formats");
    gradient.form = formOf(request, "form", "x");
    return gradient;
}

QJsonObject gradientText(Context&, const QJsonObject& request) {
    const std::string text = stringOf(request, "text");
    const Gradient gradient = gradientOf(request);
    return answer(text::gradient(text, gradient.colours, gradient.formats, gradient.form));
}

QJsonObject convertText(Context&, const QJsonObject& request) {
    const std::string text = stringOf(request, "text");
    return answer(text::convertHex(text, formOf(request, "to", nullptr)));
}

QJsonObject stripText(Context&, const QJsonObject& request) {
    return textReply(text::stripCodes(stringOf(request, "text")));
}

// Positions in a field's text as the "text" op gives it, line breaks as CR LF (two code
// points), and as the field holds it, line breaks as LF.
std::size_t crLfPosition(const QString& lf, std::size_t points) {
    std::size_t position = 0;
    for (qsizetype i = 0; i < lf.size() && points > 0; --points) {
        position += lf.at(i) == QLatin1Char('\n') ? 2 : 1;
        i += lf.at(i).isHighSurrogate() && i + 1 < lf.size() && lf.at(i + 1).isLowSurrogate() ? 2 : 1;
    }
    return position;
}

std::size_t lfPosition(const QString& lf, std::size_t crLf) {
    std::size_t position = 0;
    std::size_t counted = 0;
    for (qsizetype i = 0; i < lf.size(); ++position) {
        const std::size_t width = lf.at(i) == QLatin1Char('\n') ? 2 : 1;
        if (counted + width > crLf) break;
        counted += width;
        i += lf.at(i).isHighSurrogate() && i + 1 < lf.size() && lf.at(i + 1).isLowSurrogate() ? 2 : 1;
    }
    return position;
}

// The field's text as the "text" op gives it, with its selection in that text.
QJsonObject fieldReply(const QWidget* field) {
    const text::Edit edit = fieldEdit(field);
    const QString lf = fromUtf8(edit.text);
    return {{"ok", true},
            {"text", editText(field)},
            {"start", static_cast<qint64>(crLfPosition(lf, edit.selectionStart))},
            {"end", static_cast<qint64>(crLfPosition(lf, edit.selectionEnd))}};
}

QWidget* editableField(const Target& target) {
    const QString name = fromUtf8(target.unit->name);
    if (!target.widget->isEnabled()) throw Refused{name + QStringLiteral(" is disabled")};
    if (!fieldEditable(target.widget)) throw Refused{name + QStringLiteral(" is read-only")};
    return target.widget;
}

// A code the tool inserts, written as the tool writes it: one of the sixteen colours, a
// format, the reset, or a hex colour in either form, with "&" and lower-case letters.
std::string toolCode(const std::string& code) {
    const text::Code found = text::codeAt(std::string_view(code), 0);
    const bool whole = !code.empty() && code.front() == '&' && found.length == code.size();
    const QString refusal =
        QStringLiteral("\"insert\" must be one code: &0 to &f, &k, &l, &m, &n, &o, &r, &x&R&R&G&G&B&B or &#RRGGBB");
    if (!whole) throw Refused{refusal};
    switch (found.kind) {
    case text::CodeKind::Colour:
        if (code.size() == 2) break;
        return text::hexCode(found.rgb, code[1] == '#' ? text::HexForm::Hash : text::HexForm::X);
    case text::CodeKind::Format:
    case text::CodeKind::Reset: break;
    default: throw Refused{refusal};
    }
    const char letter = code[1];
    return {'&', letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter};
}

// The colour tool on a name or lore field, as a person uses it: one of "insert", "gradient",
// "convert", "strip" and "open" per request.
QJsonObject colour(Context& context, const QJsonObject& request) {
    const Target target = targetOf(context.runtime, request);
    const QString name = fromUtf8(target.unit->name);
    if (actions::colourField(target.window->id(), target.unit->name) == nullptr) {
        QStringList names;
        for (const actions::ColourField& field : actions::colourFields())
            if (field.window == target.window->id()) names << fromUtf8(field.field);
        throw Refused{name + QStringLiteral(" has no colour tool") +
                      (names.isEmpty() ? QString() : QStringLiteral(": use ") + names.join(QStringLiteral(", ")))};
    }
    static const char* const kKinds[] = {"insert", "gradient", "convert", "strip", "open"};
    QString kind;
    int given = 0;
    for (const char* key : kKinds) {
        if (!request.contains(QLatin1String(key))) continue;
        kind = QLatin1String(key);
        ++given;
    }
    if (given != 1)
        throw Refused{
            QStringLiteral("give exactly one of \"insert\", \"gradient\", \"convert\", \"strip\" and \"open\"")};
    QWidget* field = editableField(target);
    if (kind == QLatin1String("open")) {
        const QJsonValue open = request.value(QStringLiteral("open"));
        if (!open.isBool()) throw Refused{QStringLiteral("\"open\" must be true or false")};
        ColourMenus* menus = ColourMenus::of(target.window);
        if (menus == nullptr) throw Refused{QStringLiteral("the colour tool is not attached to this window")};
        if (open.toBool())
            menus->openTool(field);
        else if (menus->tool() != nullptr)
            menus->tool()->close();
    } else if (kind == QLatin1String("insert")) {
        insertIntoField(field, toolCode(stringOf(request, "insert")));
    } else if (kind == QLatin1String("gradient")) {
        const QJsonValue value = request.value(QStringLiteral("gradient"));
        if (!value.isObject())
            throw Refused{
                QStringLiteral("\"gradient\" must be an object: {\"colors\":[...],\"formats\":...,\"form\":...}")};
        const Gradient gradient = gradientOf(value.toObject());
        const std::string refusal = gradientIntoField(field, gradient.colours, gradient.formats, gradient.form);
        if (!refusal.empty()) throw Refused{fromUtf8(refusal)};
    } else if (kind == QLatin1String("convert")) {
        const std::string refusal = convertField(field, formOf(request, "convert", nullptr));
        if (!refusal.empty()) throw Refused{fromUtf8(refusal)};
    } else {
        if (request.value(QStringLiteral("strip")) != QJsonValue(true))
            throw Refused{QStringLiteral("\"strip\" must be true")};
        stripField(field);
    }
    return fieldReply(field);
}

std::size_t positionOf(const QJsonObject& request, const char* key, std::size_t length) {
    const QJsonValue value = request.value(QLatin1String(key));
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > static_cast<double>(length) ||
        number != static_cast<double>(static_cast<qint64>(number)))
        throw Refused{QStringLiteral("\"%1\" must be a whole number from 0 to %2, in characters (code points)")
                          .arg(QLatin1String(key))
                          .arg(length)};
    return static_cast<std::size_t>(number);
}

// Selects part of a field's text, as a person drags over it: from "start" to "end", in code
// points of the text as the "text" op gives it; the cursor ends at "end".
QJsonObject setSelection(Context& context, const QJsonObject& request) {
    const Target target = targetOf(context.runtime, request);
    if (qobject_cast<QLineEdit*>(target.widget) == nullptr && qobject_cast<QPlainTextEdit*>(target.widget) == nullptr)
        throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is no text field")};
    const QString lf = fromUtf8(fieldEdit(target.widget).text);
    const std::size_t length = crLfPosition(lf, codePointsBefore(lf, lf.size()));
    const std::size_t start = positionOf(request, "start", length);
    const std::size_t end = positionOf(request, "end", length);
    selectInField(target.widget, lfPosition(lf, start), lfPosition(lf, end));
    return fieldReply(target.widget);
}

// clang-format off
constexpr Op kColourOps[] = {
    {"gradient",      now<gradientText>},
    {"convert",       now<convertText>},
    {"strip",         now<stripText>},
    {"colour",        now<colour>},
    {"set-selection", now<setSelection>},
};
// clang-format on

}  // namespace

std::span<const Op> colourOps() { return kColourOps; }

}  // namespace ui
