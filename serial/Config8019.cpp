// TConfig8019: comparison of two records.
#include "Config8019.h"

#include <tuple>

namespace {

auto Fields(const TConfig8019& c) {
    return std::tie(c.IOBase, c.IRQ, c.IRQEN, c.BROMBase, c.BROMSize, c.Connector, c.Active,
                    c.PowerDown, c.TestMode, c.LED, c.FUDUP, c.PNP, c.IOMS, c.MACID, c.UserID,
                    c.VendorID, c.SerialNum, c.Version, c.AnsiStr, c.LogicalID, c.CompatibleID,
                    c.PNPIO, c.PNPIRQ);
}

}  // namespace

bool TConfig8019::operator==(const TConfig8019& other) const {
    return Fields(*this) == Fields(other);
}
