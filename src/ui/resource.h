// Resource identifiers.
#pragma once

#define IDS_PARAM_ERROR_FORMAT 111
