#pragma once
// What orvane-tags prints for one file: a block of Name=value lines, or one JSON object.

#include <string>
#include <string_view>

#include "orvane-tags_options.h"
#include "tags/sMediaTagReader.h"

// A property found by name; Prop is nullptr when nothing publishes the name.
struct TFoundProperty {
  const TPersistent* Owner = nullptr;
  const TPropInfo* Prop = nullptr;
};

// Finds a name the way the player does: "Object.Name" in that object of the reader; a plain
// name in the reader, then in its ID3v2, ID3v1 and APE tags, the first with a non-empty value
// (so "Title" gives what GetTagValue gives), else the first that publishes it at all.
TFoundProperty FindAsPlayer(const TsMediaTag* reader, std::string_view name);

// Appends the file's block: File=, then the chosen properties or, without a choice, Reader=,
// Title=, Artist= and everything the reader publishes; then a blank line.
void AppendTextBlock(std::string& out, const TsMediaTagReader& reader, const std::string& file,
                     const TToolOptions& options);
// Appends the file's JSON object: "file", "reader", then the same properties, typed.
void AppendJsonObject(std::string& out, const TsMediaTagReader& reader, const std::string& file,
                      const TToolOptions& options);
