#include "property_bag.h"

#include <QFont>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillmere {

namespace {

bool IsNumberType(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

bool IsTextType(const QVariant& value) {
    return value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
}

std::optional<double> NumberOfText(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        const qulonglong value = text.mid(2).toULongLong(&ok, 16);
        if (!ok || value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<double>(value);
    }
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The value as a number; true counts as -1, as the platform's booleans do.
std::optional<double> NumberOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? -1.0 : 0.0;
    }
    if (IsNumberType(value)) {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    if (IsTextType(value)) {
        return NumberOfText(value.toString());
    }
    return std::nullopt;
}

// The nearest whole number (halves to even) within [low, high].
std::optional<std::int64_t> WholeIn(const QVariant& value, double low, double high) {
    const auto number = NumberOf(value);
    if (!number) {
        return std::nullopt;
    }
    const double whole = std::nearbyint(*number);
    if (whole < low || whole > high) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(whole);
}

}  // namespace

QVariant PropertyBag::Read(const QString& name, const QVariant& defaultValue) const {
    for (const auto& [key, value] : values_) {
        if (key == name) {
            return value;
        }
    }
    return defaultValue;
}

void PropertyBag::Write(const QString& name, const QVariant& value, const QVariant& defaultValue) {
    if (SameSavedValue(value, defaultValue)) {
        Remove(name);
        return;
    }
    Set(name, value);
}

void PropertyBag::Set(const QString& name, const QVariant& value) {
    for (auto& [key, stored] : values_) {
        if (key == name) {
            stored = value;
            return;
        }
    }
    values_.emplace_back(name, value);
}

bool PropertyBag::Contains(const QString& name) const {
    return std::any_of(values_.begin(), values_.end(),
                       [&](const auto& entry) { return entry.first == name; });
}

void PropertyBag::Remove(const QString& name) {
    std::erase_if(values_, [&](const auto& entry) { return entry.first == name; });
}

QStringList PropertyBag::Names() const {
    QStringList names;
    for (const auto& entry : values_) {
        names.append(entry.first);
    }
    return names;
}

bool SameSavedValue(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid()) {
        return a.isValid() == b.isValid();
    }
    const bool aFont = a.typeId() == QMetaType::QFont;
    const bool bFont = b.typeId() == QMetaType::QFont;
    if (aFont || bFont) {
        return aFont && bFont && a.value<QFont>() == b.value<QFont>();
    }
    if (IsTextType(a) && IsTextType(b)) {
        return a.toString() == b.toString();
    }
    if ((IsNumberType(a) || IsTextType(a)) && (IsNumberType(b) || IsTextType(b))) {
        const auto x = NumberOf(a);
        const auto y = NumberOf(b);
        return x && y && *x == *y;
    }
    return a == b;
}

std::optional<bool> SavedBool(const QVariant& value) {
    if (IsTextType(value)) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    const auto number = NumberOf(value);
    if (!number) {
        return std::nullopt;
    }
    return *number != 0.0;
}

std::optional<std::uint8_t> SavedByte(const QVariant& value) {
    const auto whole = WholeIn(value, 0, 255);
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*whole);
}

std::optional<std::int16_t> SavedInt16(const QVariant& value) {
    const auto whole = WholeIn(value, std::numeric_limits<std::int16_t>::min(),
                               std::numeric_limits<std::int16_t>::max());
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*whole);
}

std::optional<std::uint32_t> SavedColour(const QVariant& value) {
    const auto whole = WholeIn(value, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::uint32_t>::max());
    if (!whole) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*whole);
}

std::optional<QString> SavedText(const QVariant& value) {
    if (IsTextType(value)) {
        return value.toString();
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    if (IsNumberType(value)) {
        return value.toString();
    }
    return std::nullopt;
}

}  // namespace quillmere
