#pragma once

class CMainFrame;

// Makes Save Window As, Print Window and Print Window Preview live on the
// frame: always enabled, each working on the frame's picture that the
// document keeps.
void ConnectCaptureCommands(CMainFrame& frame);
