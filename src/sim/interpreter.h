#pragma once
// One way of understanding the bytes the instrument receives. The engine hands
// every received byte to its current interpreter: the command interpreter
// normally, the bootloader while the instrument runs only that.

#include <cstdint>

namespace orvane::sim {

class Engine;

class Interpreter {
  public:
    virtual ~Interpreter() = default;
    // Answers through engine.Send / engine.SendLine.
    virtual void Receive(uint8_t byte, Engine& engine) = 0;
    // A new connection: forget anything half received.
    virtual void Reset() = 0;
};

}  // namespace orvane::sim
