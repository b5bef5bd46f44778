#pragma once
// TdkDataSource: the data source class the grid and the masked data edit
// publish; it adds nothing to TDataSource, and those controls answer a data
// source of another class as none.

#include "platform/data/data_source.h"

class TdkDataSource : public TDataSource {
public:
    using TDataSource::TDataSource;
};
