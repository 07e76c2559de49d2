#include "usage.h"

#include <cstdio>

void usagePrint() {
  std::fprintf(stderr, "二つのWAVファイルを連結します.\n\n"
                       "引数に <入力ファイル名１> <入力ファイル名２> <出力ファイル名>を\n"
                       "指定してください.\n\n"
                       "例 : Pairtone  foo.wav  bar.wav out.wav\n");
}
