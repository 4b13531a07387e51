#!/bin/sh
# Fails unless the plug-in's dynamic symbol table defines exactly VSTPluginMain and main.
set -eu
found=$(nm -D --defined-only "$1" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$found" != "VSTPluginMain main " ]; then
  echo "unexpected exports in $1: $found" >&2
  exit 1
fi
echo "exports: $found"
