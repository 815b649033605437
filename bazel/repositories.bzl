"""Repositories for a workspace that builds regkit's programs or uses its rules.

In the WORKSPACE, after the repository "regkit" itself:

    load("@regkit//bazel:repositories.bzl", "regkit_dependencies", "regkit_offline_tools")
    regkit_dependencies()
    regkit_offline_tools()  # only where the network is closed
"""

def regkit_dependencies():
    """Declares the system libraries that regkit's targets may use."""

    # The JSON library's headers as Debian installs them (nlohmann-json3-dev);
    # regkit links it (its JSON and SARIF output and the language server).
    native.new_local_repository(
        name = "nlohmann_json",
        path = "/usr/include/nlohmann",
        build_file_content = """
cc_library(
    name = "nlohmann_json",
    hdrs = glob(["**/*.hpp"]),
    include_prefix = "nlohmann",
    visibility = ["//visibility:public"],
)
""",
    )

    # The TOML library's headers (libtomlplusplus-dev), used as headers
    # alone (TOML_HEADER_ONLY), for regkit's configuration files.
    native.new_local_repository(
        name = "tomlplusplus",
        path = "/usr/include/toml++",
        build_file_content = """
cc_library(
    name = "tomlplusplus",
    hdrs = glob(["**/*.h", "**/*.inl"]),
    include_prefix = "toml++",
    visibility = ["//visibility:public"],
)
""",
    )

    # libgit2 (libgit2-dev): its headers, and the system's shared library
    # linked by name; regkit reads what git work trees ignore with it.
    native.new_local_repository(
        name = "libgit2",
        path = "/usr/include",
        build_file_content = """
cc_library(
    name = "libgit2",
    hdrs = ["git2.h"] + glob(["git2/**/*.h"]),
    linkopts = ["-lgit2"],
    visibility = ["//visibility:public"],
)
""",
    )

def _stand_in_impl(repository_ctx):
    repository_ctx.file("WORKSPACE", "workspace(name = \"%s\")\n" % repository_ctx.name)
    for path, text in repository_ctx.attr.files.items():
        repository_ctx.file(path, text)

# A repository made of the given files, written on the spot.
_stand_in = repository_rule(
    implementation = _stand_in_impl,
    attrs = {"files": attr.string_dict()},
)

# A defs.bzl whose rules forward to the rules Bazel has built in.
def _forwarding_defs(rules):
    text = "# Offline stand-in: the rules that Bazel has built in.\n"
    for rule in rules:
        text += "\ndef %s(**kwargs):\n    native.%s(**kwargs)\n" % (rule, rule)
    return text

# What Bazel's own tools load from the two rule repositories.
_CC_RULES = ["cc_binary", "cc_import", "cc_library", "cc_proto_library", "cc_test", "cc_toolchain", "cc_toolchain_suite", "objc_library"]
_JAVA_RULES = ["java_binary", "java_import", "java_library", "java_proto_library", "java_runtime", "java_toolchain"]

_COVERAGE_BUILD = """# Offline stand-in: no coverage tools (bazel coverage does not work offline).
filegroup(name = "coverage_report_generator", visibility = ["//visibility:public"])

filegroup(name = "lcov_merger", visibility = ["//visibility:public"])
"""

def regkit_offline_tools():
    """Stands in for the rule repositories that Bazel 4 would download.

    Bazel's own tools load rules_cc and rules_java, and every test needs
    remote_coverage_tools; these local stand-ins forward to the built-in rules,
    so a build needs no network. Coverage is then unavailable.
    """
    _stand_in(
        name = "rules_cc",
        files = {"cc/BUILD": "", "cc/defs.bzl": _forwarding_defs(_CC_RULES)},
    )
    _stand_in(
        name = "rules_java",
        files = {"java/BUILD": "", "java/defs.bzl": _forwarding_defs(_JAVA_RULES)},
    )
    _stand_in(
        name = "remote_coverage_tools",
        files = {"BUILD": _COVERAGE_BUILD},
    )
