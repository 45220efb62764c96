// The program's version: the sources it was built from, as git describes them.
#pragma once

const char* programVersion();
