#include "reader/Reader.h"
#include "platform/Files.h"

void Reader::LoadSettings() { StartDir = CurrentDirectory(); }
bool Reader::SaveSettings() { return true; }
