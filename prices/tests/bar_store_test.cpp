#include "prices/bar_store.h"

#include <gtest/gtest.h>
