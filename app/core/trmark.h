// Marks texts for translation in code that does not use Qt: the translation
// tools find the marks, and the windowed programs translate the texts when
// they show them (context, then the English source text).
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif
