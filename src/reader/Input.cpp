#include "reader/Reader.h"

void Reader::FormKeyDown(std::uint16_t key) { (void)key; }
void Reader::FormKeyUp(std::uint16_t key) { (void)key; InputState = 0; }
void Reader::FormMouseDown(MouseButton button, int x, int y) { (void)button; (void)x; (void)y; }
void Reader::FormMouseUp(MouseButton button, int x, int y) { (void)button; (void)x; (void)y; InputState = 0; }
void Reader::FormMouseMove(int x, int y) { (void)x; (void)y; }
void Reader::MTitle1Click() { ReturnToTitle = true; }
void Reader::MExit1Click() { Hooks->CloseWindow(); }
void Reader::MDisp1Click() {}
void Reader::MSkip1Click() { Skipping = !Skipping; }
void Reader::MAbout1Click() {}
