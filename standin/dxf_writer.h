// The stand-in CAD's DXF export: a text DXF of version 2000 (AC1015) in code page 932.
#pragma once

#include "standin/drawing.h"

#include <string>
#include <vector>

namespace standin {

// The whole file for these entities: HEADER, CLASSES, TABLES (a STYLE table holding
// "Standard"), BLOCKS, ENTITIES and OBJECTS. Group codes are right-aligned in three columns,
// reals carry `decimals` digits after the point (0 to 16), lines end with CR LF and texts are
// written as they are held (code page 932, declared by $DWGCODEPAGE ANSI_932). `objects`, where
// given, holds each entity's number in the drawing (from 0): its handle is then the same in
// every export, as a drawing's object keeps its handle; otherwise handles follow the writing.
std::string WriteDxf(const std::vector<const Entity*>& entities, int decimals,
                     const std::vector<int>& objects = {});

} // namespace standin
