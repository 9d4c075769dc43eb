// Type promotion: the storage type in which a binary operation (arithmetic, comparison) on two
// values of given storage types runs. The table is not symmetric; the left operand comes first.
#pragma once

#include "engine/base/VexTypes.h"

// Common storage type of left and right, or vstUnknown when they have none. With preferDate
// (comparison) a text type against DATE, TIME or DATETIME gives the date type in both orders.
TVexStorageType PromoteStorageTypes(TVexStorageType left, TVexStorageType right,
                                    bool preferDate = false);
// Promotion of two declared types: promotes their storage types and returns whichever operand
// already has the promoted storage type (left first), else the declared type of that storage.
TVexDataType PromoteDataTypes(TVexDataType left, TVexDataType right);
