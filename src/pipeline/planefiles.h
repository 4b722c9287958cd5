#pragma once

// What a command's planes are saved as: which views, and each view's file name.

#include "core/channel.h"
#include "core/recipe.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

namespace pipeline {

// FNV-1a over the bytes: the same value on every machine, whatever the order of a list.
quint64 stableHash(QByteArrayView bytes);
// Eight hexadecimal digits of that hash, to tell names apart.
QByteArray shortHash(QByteArrayView bytes);

// A view saved and the file it is saved as.
struct PlaneFile {
    View view;
    QByteArray name;
};
// The views a recipe's planes are saved as, red, green and blue (blue alone after a reduction,
// which draws into the blue plane alone) and the zoom box when it shows a plane, each with its
// name's end, "-<view>-<type>-<x>x<y>.png"; for frame k of a stack whose frames were asked
// for, "-f<kkkkk>-<view>-<type>-<x>x<y>.png".
QList<PlaneFile> planeTails(const results::Recipe &recipe, std::optional<Channel> zoom,
                            int frame = 0);
// The same with whole names for a stem ("tintara" for none). A name longer than a file system
// holds keeps its end and gets a short hash of the whole stem, so that it stays unique.
QList<PlaneFile> planeFiles(const results::Recipe &recipe, std::optional<Channel> zoom,
                            QByteArrayView stem, int frame = 0);

} // namespace pipeline
