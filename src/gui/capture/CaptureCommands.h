#pragma once

class ICommandHost;

// Makes Save Window As, Print Window and Print Window Preview live on the
// frame: always enabled, each working on the frame's picture that the
// document keeps.
void ConnectCaptureCommands(ICommandHost& frame);
