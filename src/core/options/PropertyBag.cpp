#include "core/options/PropertyBag.h"

#include <QObject>

#include <limits>

PropertyBag::PropertyBag(QVariantMap aValues)
    : mValues(std::move(aValues))
{
}

QVariantMap::const_iterator PropertyBag::find(const QString& aName) const
{
    for (auto it = mValues.cbegin(); it != mValues.cend(); ++it)
        if (it.key().compare(aName, Qt::CaseInsensitive) == 0)
            return it;
    return mValues.cend();
}

QVariant PropertyBag::ReadProperty(const QString& aName, const QVariant& aDefault) const
{
    const auto it = find(aName);
    if (it == mValues.cend() || !it.value().isValid())
        return aDefault;
    if (!aDefault.isValid() || it.value().metaType() == aDefault.metaType())
        return it.value();

    // A 32-bit property must not take a wider number cut to size.
    if (aDefault.metaType().id() == QMetaType::Int) {
        bool ok = false;
        const qlonglong wide = it.value().toLongLong(&ok);
        if (!ok || wide < std::numeric_limits<qint32>::min() || wide > std::numeric_limits<qint32>::max())
            return aDefault;
        return QVariant(int(wide));
    }
    QVariant converted = it.value();
    if (!converted.convert(aDefault.metaType()))
        return aDefault;
    return converted;
}

void PropertyBag::WriteProperty(const QString& aName, const QVariant& aValue, const QVariant& aDefault)
{
    for (auto it = mValues.begin(); it != mValues.end();) {
        if (it.key().compare(aName, Qt::CaseInsensitive) == 0)
            it = mValues.erase(it);
        else
            ++it;
    }
    if (aValue == aDefault)
        return;
    mValues.insert(aName, aValue);
}

void ReadPersisted(QObject& aControl, const PropertyBag& aBag, std::span<const PersistedProperty> aProperties)
{
    for (const PersistedProperty& property : aProperties)
        aControl.setProperty(property.Name.toLatin1().constData(), aBag.ReadProperty(property.Name, property.Default));
}

void WritePersisted(const QObject& aControl, PropertyBag& aBag, std::span<const PersistedProperty> aProperties)
{
    for (const PersistedProperty& property : aProperties)
        aBag.WriteProperty(property.Name, aControl.property(property.Name.toLatin1().constData()), property.Default);
}
