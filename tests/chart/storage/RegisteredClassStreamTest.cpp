// Registered function and tool classes are readable from a chart file by class name.
#include <gtest/gtest.h>

#include <memory>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/storage/TeeComponentPersist.h"

namespace {

class StreamTestFunction : public TTeeFunction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit StreamTestFunction(QObject* owner = nullptr) : TTeeFunction(owner) {}
};

class StreamTestTool : public TTeeCustomTool {
    Q_OBJECT
public:
    Q_INVOKABLE explicit StreamTestTool(QObject* owner = nullptr) : TTeeCustomTool(owner) {}
};

const AnsiString Desc = "Stream test";

}  // namespace

TEST(RegisteredClassStream, FunctionAndToolClassesAreCreatedByName)
{
    EXPECT_EQ(FindStreamClass("StreamTestFunction"), nullptr);
    EXPECT_EQ(FindStreamClass("StreamTestTool"), nullptr);
    RegisterTeeBasicFunction(&StreamTestFunction::staticMetaObject, &Desc);
    RegisterTeeTools({&StreamTestTool::staticMetaObject});

    QObject owner;
    for (const char* name : {"StreamTestFunction", "StreamTestTool"}) {
        const TStreamClass* cls = FindStreamClass(name);
        ASSERT_NE(cls, nullptr) << name;
        QObject* o = cls->Create(&owner);
        ASSERT_NE(o, nullptr);
        EXPECT_STREQ(o->metaObject()->className(), name);
        EXPECT_EQ(o->parent(), &owner);
    }

    UnRegisterTeeFunctions({&StreamTestFunction::staticMetaObject});
    UnRegisterTeeTools({&StreamTestTool::staticMetaObject});
    UnRegisterStreamClass("StreamTestFunction");
    UnRegisterStreamClass("StreamTestTool");
    EXPECT_EQ(FindStreamClass("StreamTestTool"), nullptr);
}

#include "RegisteredClassStreamTest.moc"
