#pragma once
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <span>

class QObject;

// The design-time properties a host form keeps for one of its user controls. Names are matched
// without regard to case; a value equal to its default is not written, so the map holds only what
// differs from a newly placed control.
class PropertyBag {
public:
    PropertyBag() = default;
    explicit PropertyBag(QVariantMap aValues);

    // The stored value converted to aDefault's type; aDefault when the name is absent or the stored
    // value cannot be converted (a bad entry never reaches the control as garbage).
    QVariant ReadProperty(const QString& aName, const QVariant& aDefault) const;

    // Stores aValue under aName, replacing a value stored under any spelling of the name. A value
    // equal to aDefault is not written (and a stale entry for the name is dropped).
    void WriteProperty(const QString& aName, const QVariant& aValue, const QVariant& aDefault);

    const QVariantMap& Values() const { return mValues; }

private:
    QVariantMap::const_iterator find(const QString& aName) const;

    QVariantMap mValues;
};

// One persisted property of a control: the name of the control's Q_PROPERTY, which is also the
// name it is kept under, and its value on a newly placed control.
struct PersistedProperty {
    QString Name;
    QVariant Default;
};

// Restores each of aProperties, in the given order, through the control's own property let.
void ReadPersisted(QObject& aControl, const PropertyBag& aBag, std::span<const PersistedProperty> aProperties);
// Writes each of aProperties against its default, in the given order.
void WritePersisted(const QObject& aControl, PropertyBag& aBag, std::span<const PersistedProperty> aProperties);

// A user control whose design-time properties its host form keeps in a PropertyBag. A control tells
// its host that a persisted property changed through a Qt signal of its own (PropertyChanged).
class PersistedProperties {
public:
    virtual ~PersistedProperties() = default;

    // A control newly placed on a form: every property to its default.
    virtual void UserControl_InitProperties() = 0;
    // Restores the properties, each through its own let (so range rules apply).
    virtual void UserControl_ReadProperties(const PropertyBag& aBag) = 0;
    // Writes every property against its default, in the control's fixed order.
    virtual void UserControl_WriteProperties(PropertyBag& aBag) const = 0;

    // The same through a plain map, for hosts that keep their settings as QVariantMap.
    void ReadPropertiesFrom(const QVariantMap& aValues) { UserControl_ReadProperties(PropertyBag(aValues)); }
    QVariantMap WrittenProperties() const
    {
        PropertyBag bag;
        UserControl_WriteProperties(bag);
        return bag.Values();
    }
};
