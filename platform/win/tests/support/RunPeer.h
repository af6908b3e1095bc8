#pragma once
// Two runs of a program for the tests of the run service: this test program plays the other run in
// a process of its own.

#include "tools/testing/RunHome.h"
#include "tools/testing/SelfPeer.h"

#include <memory>
#include <string>

// The other run: announces window 7 as ("TPeer", $PEER_TITLE), reports "ready" and serves until
// asked to quit. Requests: "echo" answers and reports "echo <body>"; "retitle" announces the body
// as the new title; "block" reports "blocking", keeps the thread busy for body milliseconds, then
// reports "unblocked"; "note" reports "note <body>"; "refuse" throws; "quit" ends the run. Call it
// from a disabled test case named RunPeer.DISABLED_Serve.
void ServeAsRunPeer();

// Starts a peer run titled title and waits until it serves.
std::unique_ptr<SelfPeer> StartRunPeer(const std::string& title);
