"""Bazel rules that run regkit's programs: part headers, registration checks and updates.

    load("@regkit//bazel:regkit.bzl", "regkit_check_test", "regkit_parts", "regkit_update")

docs/build-systems.md describes them.
"""

# The flag (kessrow's) for each order of bus ranges.
_BUS_ORDER_FLAGS = {
    "high_low": [],
    "declared": ["-N"],
    "low_high": ["-L"],
}

def _header_name(source):
    if source.extension:
        return source.basename[:-len(source.extension) - 1] + ".h"
    return source.basename + ".h"

def _regkit_parts_impl(ctx):
    headers = []
    for source in ctx.files.srcs:
        header = ctx.actions.declare_file(ctx.label.name + "/" + _header_name(source))
        if header in headers:
            fail("two sources in srcs make %s" % header.short_path)

        # The header holds the source and destination names as given: both
        # are relative to the execution root, so the header is the same on
        # every machine and in every sandbox. regkit generate prints nothing
        # unless it fails, and then its errors as path:line:col: lines.
        arguments = ctx.actions.args()
        arguments.add(source)
        arguments.add("-o", header)
        arguments.add_all(_BUS_ORDER_FLAGS[ctx.attr.bus_order])
        inputs = [source]
        if ctx.file.include:
            arguments.add("-i", ctx.file.include)
            inputs.append(ctx.file.include)
        ctx.actions.run(
            executable = ctx.executable._generate,
            arguments = [arguments],
            inputs = inputs,
            outputs = [header],
            mnemonic = "RegkitParts",
            progress_message = "Generating part header %s" % header.short_path,
        )
        headers.append(header)

    own = CcInfo(compilation_context = cc_common.create_compilation_context(
        headers = depset(headers),
        includes = depset([headers[0].dirname]),
    ))
    return [
        DefaultInfo(files = depset(headers)),
        cc_common.merge_cc_infos(direct_cc_infos = [own], cc_infos = [dep[CcInfo] for dep in ctx.attr.deps]),
    ]

regkit_parts = rule(
    implementation = _regkit_parts_impl,
    doc = "Part headers from part-description files: one action per file (regkit generate, " +
          "kessrow's header), " +
          "<name>/<file>.h for <file>.kes; a cc_library or cc_binary gets them " +
          "and their directory as an include path through deps.",
    attrs = {
        "srcs": attr.label_list(allow_files = True, mandatory = True, allow_empty = False, doc = "The part-description files."),
        "include": attr.label(allow_single_file = True, doc = "Read before each source (kessrow -i)."),
        "bus_order": attr.string(
            default = "high_low",
            values = _BUS_ORDER_FLAGS.keys(),
            doc = "Bus ranges high:low (default), as declared (kessrow -N) or low:high (kessrow -L).",
        ),
        "deps": attr.label_list(providers = [CcInfo], doc = "Libraries whose headers the generated headers include."),
        "_generate": attr.label(default = Label("//regkit:generate"), executable = True, cfg = "exec"),
    },
)

def _quote(text):
    return "'" + text.replace("'", "'\\''") + "'"

def _regkit_check_test_impl(ctx):
    regkit = ctx.executable._regkit
    script = ctx.actions.declare_file(ctx.label.name + ".sh")
    ctx.actions.write(
        output = script,
        content = "#!/bin/sh\nexec %s check %s\n" % (
            _quote(regkit.short_path),
            " ".join([_quote(source.short_path) for source in ctx.files.srcs]),
        ),
        is_executable = True,
    )
    # The configuration files lie beside the sources in the runfiles, where
    # regkit finds them upward from each source as in the workspace.
    runfiles = ctx.runfiles(files = ctx.files.srcs + ctx.files.config).merge(ctx.attr._regkit[DefaultInfo].default_runfiles)
    return [DefaultInfo(executable = script, runfiles = runfiles)]

regkit_check_test = rule(
    implementation = _regkit_check_test_impl,
    doc = "A test that runs regkit check on the sources: it fails, naming each " +
          "file and line, when a Register() body is stale or a file cannot be scanned.",
    test = True,
    attrs = {
        "srcs": attr.label_list(allow_files = True, mandatory = True, allow_empty = False, doc = "Headers and sources to check."),
        "config": attr.label_list(
            allow_files = [".toml"],
            doc = "The .regkit.toml files that apply to srcs (from the srcs' directories up to the one with root = true).",
        ),
        # Built for the execution platform, as kessrow is: the code both
        # programs share is then compiled once, in one configuration.
        "_regkit": attr.label(default = Label("//regkit"), executable = True, cfg = "exec"),
    },
)

def _regkit_update_impl(ctx):
    regkit = ctx.executable._regkit
    script = ctx.actions.declare_file(ctx.label.name + ".sh")

    # bazel run starts the script in its runfiles and names the workspace
    # in BUILD_WORKSPACE_DIRECTORY: the sources are updated there, not the
    # copies Bazel made of them.
    ctx.actions.write(
        output = script,
        content = """#!/bin/sh
regkit="$PWD"/%s
if [ -z "$BUILD_WORKSPACE_DIRECTORY" ]; then
  echo "%s: run it with bazel run, which names the workspace to update" >&2
  exit 2
fi
cd "$BUILD_WORKSPACE_DIRECTORY" && exec "$regkit" update %s
""" % (
            _quote(regkit.short_path),
            ctx.label.name,
            " ".join([_quote(source.short_path) for source in ctx.files.srcs]),
        ),
        is_executable = True,
    )
    runfiles = ctx.runfiles(files = ctx.files.srcs).merge(ctx.attr._regkit[DefaultInfo].default_runfiles)
    return [DefaultInfo(executable = script, runfiles = runfiles)]

regkit_update = rule(
    implementation = _regkit_update_impl,
    doc = "bazel run of this target brings the Register() bodies of the sources " +
          "up to date in the workspace itself (regkit update).",
    executable = True,
    attrs = {
        "srcs": attr.label_list(allow_files = True, mandatory = True, allow_empty = False, doc = "Headers and sources of this workspace to update."),
        "_regkit": attr.label(default = Label("//regkit"), executable = True, cfg = "exec"),
    },
)
