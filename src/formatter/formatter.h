#pragma once
// The format engine: the tag language, the six formatters with their catalogue, and the
// number and date-time formats they use.

#include "formatter/Charset.h"
#include "formatter/DateTimeFormat.h"
#include "formatter/FormatSettings.h"
#include "formatter/Formatter.h"
#include "formatter/FormatterRegistry.h"
#include "formatter/GaugeHistory.h"
#include "formatter/GaugeToken.h"
#include "formatter/MBMFormat.h"
#include "formatter/NetworkFormat.h"
#include "formatter/NonPerfFormat.h"
#include "formatter/NumberFormat.h"
#include "formatter/PageRAMFormat.h"
#include "formatter/ProcFormat.h"
#include "formatter/TextCase.h"
#include "formatter/UTPFormat.h"
