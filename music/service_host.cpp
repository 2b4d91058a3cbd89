#include "music/music_list.h"

const char* MusicServiceHost() {
    return "qzone-music.qq.com";
}
