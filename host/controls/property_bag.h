// The saved properties of one control instance: named values that its container keeps and
// hands back when it re-creates the instance.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

#include "saved_values.h"

namespace quillmere {

class PropertyBag {
  public:
    PropertyBag() = default;
    explicit PropertyBag(QString className) : className_(std::move(className)) {}

    // The class the values belong to ("Tormalune.Command" for the push button).
    const QString& ClassName() const { return className_; }
    void SetClassName(const QString& className) { className_ = className; }

    // The stored value, or the default when the name is missing.
    QVariant Read(const QString& name, const QVariant& defaultValue) const;

    // Stores the value, or leaves the name out when the value equals its default.
    void Write(const QString& name, const QVariant& value, const QVariant& defaultValue);

    // Stores the value whatever it is (a container filling in its saved data).
    void Set(const QString& name, const QVariant& value);

    bool Contains(const QString& name) const;
    void Remove(const QString& name);
    // The names in the order they were first written.
    QStringList Names() const;
    bool IsEmpty() const { return values_.empty(); }

  private:
    QString className_;
    std::vector<std::pair<QString, QVariant>> values_;
};

// Loose equality in the manner of the platform's variants (saved::Same), fonts as fonts.
bool SameSavedValue(const QVariant& a, const QVariant& b);

// Conversions of saved values (saved::ToBool and the others); nothing when the value does not
// convert, fonts included.
std::optional<bool> SavedBool(const QVariant& value);
std::optional<std::uint8_t> SavedByte(const QVariant& value);
std::optional<std::int16_t> SavedInt16(const QVariant& value);
// A 32-bit colour value: signed or unsigned 32-bit numbers, kept as their bit pattern.
std::optional<std::uint32_t> SavedColour(const QVariant& value);
std::optional<QString> SavedText(const QVariant& value);

}  // namespace quillmere
