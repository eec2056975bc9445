#include "SinReader.h"

CSinReader::~CSinReader() {}
