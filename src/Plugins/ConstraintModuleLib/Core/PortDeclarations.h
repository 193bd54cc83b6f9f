#pragma once
// Looks up a node type's declared input ports: the declaration of `port` when the table has
// one, else null (the host's default then applies).
#include <cstddef>

#include "HostInterface/HostAttributes.h"

template <std::size_t N> const MO_SimplePortMetaData* declaredPort(const MO_SimplePortMetaData (&ports)[N], int port) {
  return port >= 0 && static_cast<std::size_t>(port) < N ? &ports[port] : nullptr;
}
