#include "reader/Reader.h"

void Reader::ReadText(std::int32_t start) { (void)start; }
void Reader::ComposeChar() {}
void Reader::NewLine() {}
void Reader::WaitForReader() {}
void Reader::MDataClick(int tag) { (void)tag; }
