#include "platform/TPersistent.h"

#include "platform/Exception.h"

void TPersistent::Assign(TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError(std::string("Cannot assign a nil to a ") + metaObject()->className());
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    throw EConvertError(std::string("Cannot assign a ") + metaObject()->className() + " to a " +
                        Dest->metaObject()->className());
}

bool TPersistent::IsPropertyStored(const char*) const
{
    return true;
}
