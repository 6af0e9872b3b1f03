// The order of identities (vendor name, model name) in the caches: vendor first, then
// model, each compared byte-wise. Also compares pairs of views, so that a lookup from an
// entry point's C texts allocates nothing.
#pragma once

#include <string_view>

#include "runtime/qxns.h"

namespace QX_NS {

struct tIdentityLess {
    using is_transparent = void;
    template <typename tA, typename tB>
    bool operator()(const tA& a_rA, const tB& a_rB) const {
        const std::string_view l_AVendor(a_rA.first), l_BVendor(a_rB.first);
        if (l_AVendor != l_BVendor)
            return l_AVendor < l_BVendor;
        return std::string_view(a_rA.second) < std::string_view(a_rB.second);
    }
};

}  // namespace QX_NS
