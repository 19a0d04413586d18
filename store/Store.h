// The item store: one SQLite database beside the channel list, holding the
// channels' items, their read and star marks and the channels' titles.
#pragma once

#include "store/ItemKey.h"
#include "store/Merge.h"
#include "store/Queries.h"
#include "store/StoreFile.h"
#include "store/StoreWriter.h"
