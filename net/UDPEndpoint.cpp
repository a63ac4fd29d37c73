#include "net/UDPEndpoint.h"
