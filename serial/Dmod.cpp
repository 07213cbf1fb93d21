// TDmod: the serial data module. It holds no behaviour of its own yet; the serial port
// component it owns brings the open, close and event handling.
#include "Dmod.h"
