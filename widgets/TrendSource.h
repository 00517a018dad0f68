#pragma once

#include "TrendReduction.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// One trace of the trend chart: a channel of its source, named, with the unit
// of its value axis. Traces of one unit share an axis.
struct TrendTrace {
    int channel = 0;
    QString name;
    QString unit;
    bool whole = false; // counts: shown without decimals
};

// Samples the chart reads: times ascending, one value per channel and time.
// The live history and a reviewed log both offer it.
class TrendSource {
public:
    virtual ~TrendSource() = default;
    virtual std::size_t size() const = 0;
    virtual std::int64_t timeAt(std::size_t i) const = 0;
    virtual double valueAt(int channel, std::size_t i) const = 0;
    // Adds samples [from, to) of `channel` to the columns (reduceIntoColumns).
    virtual void reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                        std::vector<ColumnExtent>& extents) const = 0;
    // The samples of [from, to) that follow a gap in the acquisition,
    // ascending: the traces are not drawn across it. None by default.
    virtual std::vector<std::size_t> gapsIn(std::size_t from, std::size_t to) const {
        static_cast<void>(from);
        static_cast<void>(to);
        return {};
    }
};
