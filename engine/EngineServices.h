#pragma once
// The engine's shared services, handed to each component by whoever creates
// it, so that what a component depends on shows in its constructor.
//
// The running engine (TMediaEngine) owns the process's instances and makes
// the record; the program's top level (and a test) passes it on. A test may
// put an instance of its own in one place (a dispatcher whose hand-offs it
// watches) and keep the engine's for the rest. The record only refers to
// the services: they must outlive every component given them, which holds
// for the engine's as long as components live between the engine's start
// and stop.
namespace vidrelo {

class TFFLoader;
class TInterruptCB;
class TMainThreadDispatcher;
class TNativeFilterRegistry;

struct TEngineServices {
    TFFLoader& Loader;                  // binds and unbinds the media libraries
    TMainThreadDispatcher& Dispatcher;  // hands work over to the main thread
    TNativeFilterRegistry& Filters;     // the engine's own filters, by name
    TInterruptCB& Interrupts;           // lets blocking library calls be given up
};

}  // namespace vidrelo
