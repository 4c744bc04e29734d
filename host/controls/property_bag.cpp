#include "property_bag.h"

#include <QFont>

#include <algorithm>

namespace quillmere {

namespace {

bool IsNumberType(const QVariant& value) {
    switch (value.typeId()) {
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

// The variant as a plain saved value; nothing for what only Qt knows (fonts and the like).
std::optional<SavedValue> PlainOf(const QVariant& value) {
    if (!value.isValid()) {
        return SavedValue();
    }
    if (value.typeId() == QMetaType::Bool) {
        return SavedValue(value.toBool());
    }
    if (IsNumberType(value)) {
        return SavedValue(value.toDouble());
    }
    if (IsTextType(value)) {
        return SavedValue(value.toString().toStdString());
    }
    return std::nullopt;
}

template <typename Convert>
auto Converted(const QVariant& value, Convert convert) -> decltype(convert(SavedValue())) {
    const std::optional<SavedValue> plain = PlainOf(value);
    if (!plain) {
        return std::nullopt;
    }
    return convert(*plain);
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
    const bool aFont = a.typeId() == QMetaType::QFont;
    const bool bFont = b.typeId() == QMetaType::QFont;
    if (aFont || bFont) {
        return aFont && bFont && a.value<QFont>() == b.value<QFont>();
    }
    const std::optional<SavedValue> x = PlainOf(a);
    const std::optional<SavedValue> y = PlainOf(b);
    if (x && y) {
        return saved::Same(*x, *y);
    }
    return a == b;
}

std::optional<bool> SavedBool(const QVariant& value) {
    return Converted(value, saved::ToBool);
}

std::optional<std::uint8_t> SavedByte(const QVariant& value) {
    return Converted(value, saved::ToByte);
}

std::optional<std::int16_t> SavedInt16(const QVariant& value) {
    return Converted(value, saved::ToInt16);
}

std::optional<std::uint32_t> SavedColour(const QVariant& value) {
    return Converted(value, saved::ToColour);
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
