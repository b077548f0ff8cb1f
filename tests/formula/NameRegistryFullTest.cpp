#include "CoreUtilities/FailureRegister.h"
#include "formula/NameRegistry.h"

#include <gtest/gtest.h>

namespace {

// Its own program: it uses up the process's code space.
TEST(NameRegistryFullTest, AFullRegistryRefusesInsteadOfWrapping)
{
    uint32_t before = InternSymbolName(u"early");
    uint32_t last = 0;
    for (uint32_t code = NextRegistryCode(); code != 0; code = NextRegistryCode())
        last = code;
    EXPECT_EQ(last, kLastRegistryCode);
    ResetFailureRegister();
    EXPECT_EQ(InternSymbolName(u"late"), 0u);
    EXPECT_EQ(TakePendingFailure(), 36);
    // What was interned before stays, and single letters need no registry code.
    EXPECT_EQ(InternSymbolName(u"early"), before);
    EXPECT_EQ(InternSymbolName(u"k"), uint32_t('k'));
    EXPECT_EQ(NextRegistryCode(), 0u);
}

}  // namespace
