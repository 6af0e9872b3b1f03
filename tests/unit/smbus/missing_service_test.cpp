// Without the SMBus service on the library path every binding reports it, and nothing
// is called through an unbound slot.
#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>

#include "platform/pxismbuswrapper/cPxiSmBusListWrapper.h"
#include "platform/pxismbuswrapper/cSMBusWrapperFactory.h"
#include "tests/support/qxTestSupport.h"

namespace QX_NS {
namespace {

TEST(SMBusMissingServiceTest, BindingsReportTheMissingLibrary) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Result =
            qxtest::rerunInFreshProcess({{"LD_LIBRARY_PATH", std::nullopt}});
        EXPECT_TRUE(l_Result.exited);
        EXPECT_EQ(0, l_Result.exitCode) << l_Result.stdOut << l_Result.stdErr;
        return;
    }
    tStatusRecord l_Factory;
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    cSMBusWrapperFactory::create("QXSMBUS::0::31::3::0", l_Adapter, &l_Factory);
    EXPECT_EQ(qxapalerr_invalidParameter, l_Factory.code);
    EXPECT_EQ(nullptr, l_Adapter.get());

    tStatusRecord l_Status;
    cPxiSmBusListWrapper l_List(1, &l_Status);
    EXPECT_EQ(qxapalerr_invalidParameter, l_Status.code);
    tStatusRecord l_Open;
    l_List.open(&l_Open);
    EXPECT_EQ(qxapalerr_softwareFaultAPALInternalUseOnly, l_Open.code);
    EXPECT_EQ(0u, l_List.count());
}

}  // namespace
}  // namespace QX_NS
